#include "report/batch_index.h"

#include <gtest/gtest.h>

#include "tests/support/html_scan.h"

namespace orvelle::report {
namespace {

IndexRow scoredRow(const std::string& id, double score) {
  return {id, {id + ".pcm", id + "-coded.pcm"}, id + ".html", true, score, 0.9, ""};
}

TEST(BatchIndex, ListsRowsHighestScoreFirstThenFailuresWithTheirErrors) {
  std::vector<IndexRow> rows = {scoredRow("low", 12.5), scoredRow("high", 98.25), scoredRow("tie-first", 50.0),
                                scoredRow("tie-second", 50.0)};
  rows.insert(rows.begin() + 1, IndexRow{"broken", {"x.pcm", "gone.pcm"}, "", false, 0.0, 0.0,
                                         "Can't open \"gone.pcm\" <really>"});
  const std::string html = batchIndexHtml("Compare Files batch", {"Source", "Processed"}, rows);
  const test::HtmlDocument page = test::scanHtml(html);
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_TRUE(test::outsideReferences(page).empty());

  const test::BatchIndexListing listing = test::listBatchIndex(page);
  EXPECT_EQ(listing.ids, (std::vector<std::string>{"high", "tie-first", "tie-second", "low", "broken"}));
  EXPECT_EQ(listing.links, (std::vector<std::string>{"high.html", "tie-first.html", "tie-second.html", "low.html"}))
      << "a failed row has no report to link";
  EXPECT_NE(html.find("Can&#39;t open &quot;gone.pcm&quot; &lt;really&gt;"), std::string::npos);
  const auto fields = page.fields();
  EXPECT_EQ(fields.at("rows.high.score")->attribute("data-value"), "98.25");
  EXPECT_EQ(fields.count("rows.broken.score"), 0u);
}

}  // namespace
}  // namespace orvelle::report
