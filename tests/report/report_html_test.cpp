#include "report/run_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "analyzer/analysis_result.h"
#include "analyzer/quality_analyzer.h"
#include "tests/support/html_scan.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"

namespace orvelle::report {
namespace {

double valueOf(const test::HtmlElement& element) {
  const std::string text = element.attribute("data-value");
  return text == "null" ? std::nan("") : std::strtod(text.c_str(), nullptr);
}

const char kAwkwardPath[] = "/tmp/a <b>&\"c'.pcm";

// A real run: speech against the same speech at a third of its amplitude.
RunReport measuredReport(bool companions) {
  const std::vector<std::int16_t> source = test::speechLikeSignal(4);
  std::vector<std::int16_t> processed = source;
  for (std::int16_t& sample : processed) sample = static_cast<std::int16_t>(sample / 3);
  QualityAnalyzer analyzer(QualityAnalyzer::Threading::single);
  analyzer.setCompanionFigures(companions);
  RunReport report;
  report.measure = "File Quality";
  report.score = analyzer.compareBuffers(source.data(), processed.data(), static_cast<std::int32_t>(source.size()), nullptr);
  report.analysis = analyzer.lastResult();
  report.inputs = {{"Source voice file", kAwkwardPath}, {"Processed voice file", "b.pcm"}};
  return report;
}

class ReportHtmlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { report_ = new RunReport(measuredReport(true)); }
  static void TearDownTestSuite() { delete report_; }
  static RunReport* report_;
};
RunReport* ReportHtmlTest::report_ = nullptr;

TEST_F(ReportHtmlTest, PageIsWellFormedSelfContainedAndEveryChartIsLabelled) {
  const test::HtmlDocument page = test::scanHtml(reportHtml(*report_));
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_TRUE(test::outsideReferences(page).empty()) << test::outsideReferences(page).front();
  EXPECT_TRUE(test::chartsMissingLabels(page).empty()) << test::chartsMissingLabels(page).front();
  // Both spectra, their difference, five band sets and the timeline.
  EXPECT_EQ(page.find("svg").size(), 8u);
  ASSERT_EQ(page.find("h1").size(), 1u);
  char heading[64];
  std::snprintf(heading, sizeof heading, "File Quality: %.2f %%", report_->score);
  EXPECT_EQ(page.elements[static_cast<std::size_t>(page.find("h1")[0])].text, heading);
}

TEST_F(ReportHtmlTest, EveryNumberKeepsTheRunsExactValue) {
  const test::HtmlDocument page = test::scanHtml(reportHtml(*report_));
  const auto fields = page.fields();
  const AnalysisResult& analysis = report_->analysis;
  ASSERT_EQ(fields.count("score"), 1u);
  EXPECT_EQ(valueOf(*fields.at("score")), report_->score);
  EXPECT_EQ(valueOf(*fields.at("points")), scorePoints(report_->score));
  EXPECT_EQ(valueOf(*fields.at("agreement")), analysis.activityAgreement);
  for (int g = 1; g <= 5; ++g) {
    const std::string field = "groups.main." + std::to_string(g);
    EXPECT_EQ(valueOf(*fields.at(field + ".mode0")), analysis.uniform.main[static_cast<std::size_t>(g - 1)]);
    EXPECT_EQ(valueOf(*fields.at(field + ".mode1")), analysis.table.main[static_cast<std::size_t>(g - 1)]);
  }
  for (int i = 0; i < 10; ++i) {
    const std::string field = "groups.secondary." + std::to_string(i);
    EXPECT_EQ(valueOf(*fields.at(field + ".mode0")), analysis.uniform.secondary[static_cast<std::size_t>(i)]);
    EXPECT_EQ(valueOf(*fields.at(field + ".mode1")), analysis.table.secondary[static_cast<std::size_t>(i)]);
  }
  const CompanionFigures& companion = analysis.companion;
  ASSERT_TRUE(companion.measured);
  EXPECT_EQ(valueOf(*fields.at("companion.delaySamples")), companion.delaySamples);
  EXPECT_EQ(valueOf(*fields.at("companion.segmentalSnrDb")), companion.segmentalSnrDb);
  EXPECT_EQ(valueOf(*fields.at("companion.levelDifferenceDb")), companion.levelDifferenceDb);
  EXPECT_EQ(valueOf(*fields.at("companion.waveformCorrelation")), companion.waveformCorrelation);
  EXPECT_EQ(fields.at("companion.delayMethod")->attribute("data-text"), delayMethodName(companion.delayMethod));
  // A score that lost something shows it: the third-amplitude copy is far
  // from 100 and from 0.
  EXPECT_GT(report_->score, 1.0);
  EXPECT_LT(report_->score, 99.0);
}

TEST_F(ReportHtmlTest, InputsAreShownAsGivenAndNeverAsMarkup) {
  const std::string html = reportHtml(*report_);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  const test::HtmlDocument page = test::scanHtml(html);
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  bool shown = false;
  for (const test::HtmlElement& element : page.elements) {
    if (element.tag == "td" && element.text == kAwkwardPath) shown = true;
  }
  EXPECT_TRUE(shown);
}

TEST(ReportHtml, CompanionFiguresAppearOnlyWhenMeasured) {
  const test::HtmlDocument page = test::scanHtml(reportHtml(measuredReport(false)));
  EXPECT_TRUE(page.faults.empty());
  EXPECT_EQ(page.fields().count("companion.delaySamples"), 0u);
  EXPECT_EQ(page.fields().count("score"), 1u);
}

// A silent run is not measurable, yet what it did measure still makes a
// page: empty spectra must not turn into charts of nothing or of NaN.
TEST(ReportHtml, SilentRunSaysSoInsteadOfDrawingNothing) {
  RunReport report;
  report.measure = "Codec Quality";
  const std::vector<std::int16_t> silence(24000, 0);
  QualityAnalyzer analyzer(QualityAnalyzer::Threading::single);
  report.score = analyzer.compareBuffers(silence.data(), silence.data(), 24000, nullptr);
  ASSERT_EQ(analyzer.failure(), QualityAnalyzer::Failure::notMeasurable);
  report.analysis = analyzer.lastResult();
  const std::string html = reportHtml(report);
  const test::HtmlDocument page = test::scanHtml(html);
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_TRUE(test::chartsMissingLabels(page).empty());
  EXPECT_NE(html.find("No frame held speech"), std::string::npos);
  EXPECT_EQ(html.find("nan"), std::string::npos);
  EXPECT_EQ(html.find("inf"), std::string::npos);
}

TEST(ReportFile, IsWrittenWholeOrNotAtAll) {
  test::ScratchDirectory scratch;
  const std::string path = scratch.file("run.html");
  std::string reason;
  ASSERT_TRUE(writeHtmlFile(path, "<p>first</p>", reason)) << reason;
  EXPECT_EQ(test::readWholeFile(path), "<p>first</p>");
  ASSERT_TRUE(writeHtmlFile(path, "<p>second</p>", reason)) << reason;
  EXPECT_EQ(test::readWholeFile(path), "<p>second</p>");

  const std::string missing = scratch.file("no-such-folder/run.html");
  EXPECT_FALSE(writeHtmlFile(missing, "<p>x</p>", reason));
  EXPECT_NE(reason.find(missing), std::string::npos) << reason;
  // Nothing half-written is left behind.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace orvelle::report
