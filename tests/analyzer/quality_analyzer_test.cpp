#include "analyzer/quality_analyzer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analyzer/measurement_report.h"
#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class QualityAnalyzerTest : public ::testing::Test {
 protected:
  double compare(const Signal& source, const Signal& processed) {
    return analyzer_.compareBuffers(source.data(), processed.data(), static_cast<std::int32_t>(source.size()),
                                    &progress_);
  }
  void expectNotMeasurable() {
    EXPECT_FALSE(analyzer_.lastResult().completed);
    EXPECT_EQ(analyzer_.failure(), QualityAnalyzer::Failure::notMeasurable);
    EXPECT_EQ(analyzer_.failureReason(), "the source holds no speech that the measure can judge");
  }
  // One thread only: the side-by-side run is covered by the Threaded suites,
  // which also run under ThreadSanitizer.
  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
  ProgressCounter progress_;
};

constexpr std::size_t kSixSeconds = 48000;

TEST_F(QualityAnalyzerTest, IdenticalSignalsScoreFullEverywhere) {
  const Signal signal = test::speechLikeSignal(kSixSeconds);
  EXPECT_EQ(compare(signal, signal), 100.0);
  const AnalysisResult& result = analyzer_.lastResult();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.activityAgreement, 1.0);
  EXPECT_GT(result.analysedFrames, 0);
  EXPECT_EQ(result.sampleCount, 48000);
  for (double value : result.uniform.main) EXPECT_EQ(value, 100.0);
  for (double value : result.table.main) EXPECT_EQ(value, 100.0);
  for (double value : result.uniform.secondary) EXPECT_EQ(value, 100.0);
  for (double value : result.table.secondary) EXPECT_EQ(value, 100.0);

  const std::vector<std::string> lines = test::splitCrLf(measurementLogText(result));
  ASSERT_EQ(lines.size(), 43u);
  EXPECT_EQ(lines[0], "Vad Quality = 1.000000");
  for (const std::string& line : lines) {
    if (line.front() == '=' || line.rfind("Vad", 0) == 0) continue;
    EXPECT_NE(line.find(" = 100.000000"), std::string::npos) << line;
  }
}

TEST_F(QualityAnalyzerTest, SilenceIsNotMeasurable) {
  const Signal silence(kSixSeconds, 0);
  // Every band set would keep its full score for want of a band to judge.
  EXPECT_EQ(compare(silence, silence), 0.0);
  expectNotMeasurable();
  const AnalysisResult& result = analyzer_.lastResult();
  EXPECT_EQ(result.analysedFrames, 0);
  EXPECT_EQ(result.activityAgreement, 1.0);
  for (std::int32_t g = 1; g <= 5; ++g) {
    const FeatureGroup& group = analyzer_.processedMainGroup(g);
    for (std::int32_t i = 0; i < group.bandCount(); ++i) EXPECT_EQ(group.band(i).energy, 0.0);
  }
}

TEST_F(QualityAnalyzerTest, HalfAmplitudeScoresTwentyFiveAndDoubleScoresZero) {
  const Signal source = test::speechLikeSignal(kSixSeconds);
  Signal half(source.size());
  Signal twice(source.size());
  for (std::size_t i = 0; i < source.size(); ++i) {
    half[i] = static_cast<std::int16_t>(source[i] / 2);
    twice[i] = static_cast<std::int16_t>(source[i] * 2);
  }
  EXPECT_NEAR(compare(source, half), 25.0, 1e-9);
  // The premise: every main band of the source is above the threshold.
  for (std::int32_t g = 1; g <= 5; ++g) {
    const FeatureGroup& group = analyzer_.sourceMainGroup(g);
    ASSERT_GT(group.bandCount(), 0);
    for (std::int32_t i = 0; i < group.bandCount(); ++i) ASSERT_GT(group.band(i).energy, 0.001) << g << "/" << i;
  }
  // Zero up to the rounding of 1/n summed n times.
  EXPECT_NEAR(compare(source, twice), 0.0, 1e-9);
  // The source is the reference: swapping the roles changes the score.
  EXPECT_NEAR(compare(twice, source), 25.0, 1e-9);
}

TEST_F(QualityAnalyzerTest, GateTakesTheUnionOfBothSignalsActivity) {
  const Signal speech = test::speechLikeSignal(kSixSeconds);
  const Signal silence(kSixSeconds, 0);
  // A silent reference has no band to judge by, though the processed
  // signal's speech opens the gate.
  EXPECT_EQ(compare(silence, speech), 0.0);
  expectNotMeasurable();
  const std::int32_t unionFrames = analyzer_.lastResult().analysedFrames;
  EXPECT_GT(unionFrames, 0);
  EXPECT_LT(analyzer_.lastResult().activityAgreement, 1.0);
  EXPECT_EQ(analyzer_.sourceMean().frames(), analyzer_.processedMean().frames());

  // Speech lost altogether is measured, and scores nothing.
  EXPECT_NEAR(compare(speech, silence), 0.0, 1e-9);
  EXPECT_TRUE(analyzer_.lastResult().completed);
  EXPECT_EQ(analyzer_.failure(), QualityAnalyzer::Failure::none);
  EXPECT_EQ(analyzer_.lastResult().analysedFrames, unionFrames);
}

TEST_F(QualityAnalyzerTest, ScoreIsTheMeanOfTheMainGroupsAndDiffersFromTheLogAverage) {
  const Signal source = test::speechLikeSignal(kSixSeconds, 1);
  const Signal processed = test::speechLikeSignal(kSixSeconds, 2);
  const double score = compare(source, processed);
  const AnalysisResult& result = analyzer_.lastResult();
  double sum = 0.0;
  for (double value : result.uniform.main) sum += value;
  EXPECT_EQ(score, 0.2 * sum);
  EXPECT_EQ(result.score, score);
  EXPECT_GT(score, 0.0);
  EXPECT_LT(score, 100.0);

  const std::vector<std::string> lines = test::splitCrLf(measurementLogText(result));
  ASSERT_EQ(lines.size(), 43u);
  char expected[64];
  std::snprintf(expected, sizeof expected, "AvgQ]4[ = %lf",
                0.25 * (result.uniform.main[0] + result.uniform.main[1] + result.uniform.main[2] + result.uniform.main[3]));
  EXPECT_EQ(lines[7], expected);
  std::snprintf(expected, sizeof expected, "Quality[5] = %lf", result.table.main[4]);
  EXPECT_EQ(lines[13], expected);
  std::snprintf(expected, sizeof expected, "Quality2[9] = %lf", result.table.secondary[9]);
  EXPECT_EQ(lines[39], expected);
}

TEST_F(QualityAnalyzerTest, ProgressEndsAtNineEqualSteps) {
  const Signal signal = test::speechLikeSignal(44444);
  progress_.store(-7);
  compare(signal, signal);
  EXPECT_EQ(progress_.load(), 44442);
  // Without a counter the run still completes.
  EXPECT_EQ(analyzer_.compareBuffers(signal.data(), signal.data(), 44444, nullptr), 100.0);
}

TEST_F(QualityAnalyzerTest, RunsAreIndependentAndRepeatable) {
  const Signal source = test::speechLikeSignal(kSixSeconds, 3);
  const Signal processed = test::speechLikeSignal(kSixSeconds, 4);
  const Signal other = test::speechLikeSignal(30000, 5);
  const double first = compare(source, processed);
  const std::string firstLog = measurementLogText(analyzer_.lastResult());
  compare(other, other);
  EXPECT_NE(measurementLogText(analyzer_.lastResult()), firstLog);
  const double second = compare(source, processed);
  EXPECT_EQ(first, second);
  EXPECT_EQ(measurementLogText(analyzer_.lastResult()), firstLog);
}

TEST_F(QualityAnalyzerTest, ShortAndMissingSignals) {
  const Signal signal = test::speechLikeSignal(2000);
  // Shorter than one activity frame, up to one analysis frame, or nothing:
  // no spectrum, so nothing to judge by.
  EXPECT_EQ(analyzer_.compareBuffers(signal.data(), signal.data() + 1000, 79, &progress_), 0.0);
  expectNotMeasurable();
  EXPECT_EQ(analyzer_.lastResult().activityAgreement, 1.0);
  EXPECT_EQ(progress_.load(), 72);
  EXPECT_EQ(analyzer_.compareBuffers(signal.data(), signal.data() + 900, 1024, &progress_), 0.0);
  expectNotMeasurable();
  EXPECT_EQ(analyzer_.lastResult().analysedFrames, 0);
  EXPECT_EQ(analyzer_.compareBuffers(nullptr, nullptr, 0, &progress_), 0.0);
  expectNotMeasurable();
  EXPECT_EQ(analyzer_.compareBuffers(signal.data(), signal.data(), -5, &progress_), 0.0);
  expectNotMeasurable();
  EXPECT_EQ(analyzer_.lastResult().sampleCount, 0);

  EXPECT_EQ(analyzer_.compareBuffers(signal.data(), nullptr, 2000, &progress_), 0.0);
  EXPECT_FALSE(analyzer_.lastResult().completed);
  EXPECT_EQ(analyzer_.failure(), QualityAnalyzer::Failure::missingBuffer);
  EXPECT_FALSE(analyzer_.failureReason().empty());
}

}  // namespace
}  // namespace orvelle
