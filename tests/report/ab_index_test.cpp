#include "report/ab_index.h"

#include <gtest/gtest.h>

#include "report/svg_plot.h"
#include "tests/support/html_scan.h"

namespace orvelle::report {
namespace {

RunPictures pictures(double processedPower, double lost) {
  RunPictures p;
  p.binHz = 500.0;
  p.sourceSpectrum = {0.0, 100.0, 200.0, 50.0, 10.0, 5.0, 2.0, 1.0, 0.5};
  p.processedSpectrum = std::vector<double>(9, processedPower);
  for (std::size_t g = 0; g < p.mainGroups.size(); ++g) {
    p.mainGroups[g].number = static_cast<std::int32_t>(g + 1);
    p.mainGroups[g].bands = {{300.0, 1000.0, 1.0, 1.0, true, 10.0, lost}, {1000.0, 3400.0, 1.0, 1.0, true, 10.0, 0.0}};
  }
  return p;
}

TEST(AbIndex, RanksByLossDrawsTheWorstInBothBuildsAndListsWhatWasNotCompared) {
  AbIndexPage page;
  page.title = "A/B comparison of new.so against <base>.so";
  page.summary = {"3 files compared"};
  page.files = {{"gain", "g.pcm", 50.0, 52.0, 2.0, "base-gain.html", "new-gain.html"},
                {"loss", "l.pcm", 50.0, 40.0, -10.0, "base-loss.html", "new-loss.html"},
                {"flat-1", "f.pcm", 50.0, 50.0, 0.0, "base-flat-1.html", ""},
                {"flat-2", "f2.pcm", 60.0, 60.0, 0.0, "", ""}};
  page.worst = {{"loss", -10.0, pictures(20.0, 1.0), pictures(2.0, 7.5), {}, {}}};
  page.notCompared = {{"broken", "new: the plug-in crashed"}};
  const std::string html = abIndexHtml(page);
  const test::HtmlDocument document = test::scanHtml(html);
  ASSERT_TRUE(document.faults.empty()) << document.faults.front();
  EXPECT_TRUE(test::outsideReferences(document).empty());
  EXPECT_TRUE(test::chartsMissingLabels(document).empty()) << test::chartsMissingLabels(document).front();

  const test::BatchIndexListing listing = test::listBatchIndex(document);
  ASSERT_GE(listing.ids.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(listing.ids.begin(), listing.ids.begin() + 4),
            (std::vector<std::string>{"loss", "flat-1", "flat-2", "gain"}))
      << "largest loss first, equal deltas in the order given";
  EXPECT_EQ(listing.links, (std::vector<std::string>{"base-loss.html", "new-loss.html", "base-flat-1.html",
                                                     "base-gain.html", "new-gain.html"}))
      << "a report not written is not linked";
  EXPECT_EQ(document.fields().at("files.loss.delta")->attribute("data-value"), "-10");
  EXPECT_NE(html.find("new: the plug-in crashed"), std::string::npos);
  EXPECT_NE(html.find("against &lt;base&gt;.so"), std::string::npos);

  // One spectrum chart with both builds and five band-loss charts.
  EXPECT_EQ(document.find("svg").size(), 6u);
  std::size_t newBoxes = 0;
  for (int rect : document.find("rect")) {
    const std::string title = document.elements[static_cast<std::size_t>(rect)].text;
    if (title.rfind("New, 300.0 to 1000.0 Hz: lost 7.50 points", 0) == 0) ++newBoxes;
  }
  EXPECT_EQ(newBoxes, 5u) << "the new build's loss drawn in every main band set";
  std::size_t newLines = 0;
  for (int path : document.find("path")) {
    if (document.elements[static_cast<std::size_t>(path)].attribute("stroke") == palette::kSecondProcessed) ++newLines;
  }
  EXPECT_EQ(newLines, 1u) << "the new build's spectrum over the base's";
}

}  // namespace
}  // namespace orvelle::report
