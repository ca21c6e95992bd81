#include "analyzer/run_pictures.h"

#include <gtest/gtest.h>

#include <vector>

#include "analyzer/quality_analyzer.h"
#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class RunPicturesTest : public ::testing::Test {
 protected:
  const AnalysisResult& compare(const Signal& source, const Signal& processed) {
    analyzer_.compareBuffers(source.data(), processed.data(), static_cast<std::int32_t>(source.size()), nullptr);
    return analyzer_.lastResult();
  }
  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
};

constexpr std::size_t kSixSeconds = 48000;

Signal halved(const Signal& signal) {
  Signal half(signal);
  for (std::int16_t& sample : half) sample = static_cast<std::int16_t>(sample / 2);
  return half;
}

TEST_F(RunPicturesTest, SpectraAndBandsAreTheRunsOwn) {
  const Signal source = test::speechLikeSignal(kSixSeconds);
  const AnalysisResult& result = compare(source, halved(source));
  const RunPictures& pictures = result.pictures;
  EXPECT_EQ(pictures.binHz, 7.8125);
  ASSERT_EQ(pictures.sourceSpectrum.size(), 512u);
  ASSERT_EQ(pictures.processedSpectrum.size(), 512u);
  for (std::int32_t bin = 0; bin < 512; ++bin) {
    EXPECT_EQ(pictures.sourceSpectrum[static_cast<std::size_t>(bin)], analyzer_.sourceMean().value(bin));
    EXPECT_EQ(pictures.processedSpectrum[static_cast<std::size_t>(bin)], analyzer_.processedMean().value(bin));
  }
  const std::size_t expectedBands[] = {16, 8, 18, 17, 20};
  for (std::int32_t g = 1; g <= kMainGroupCount; ++g) {
    const GroupPicture& group = pictures.mainGroups[static_cast<std::size_t>(g - 1)];
    EXPECT_EQ(group.number, g);
    ASSERT_EQ(group.bands.size(), expectedBands[g - 1]);
    double lost = 0.0;
    double shares = 0.0;
    for (std::size_t c = 0; c < group.bands.size(); ++c) {
      const BandPicture& band = group.bands[c];
      const auto index = static_cast<std::int32_t>(c);
      EXPECT_EQ(band.sourceEnergy, analyzer_.sourceMainGroup(g).band(index).energy);
      EXPECT_EQ(band.processedEnergy, analyzer_.processedMainGroup(g).band(index).energy);
      EXPECT_EQ(band.lowerHz, analyzer_.sourceMainGroup(g).band(index).lowerEdgeHz);
      EXPECT_LT(band.lowerHz, band.upperHz);
      EXPECT_LE(band.lostPoints, band.fullShare);
      if (!band.judged) {
        EXPECT_EQ(band.lostPoints, 0.0);
      }
      lost += band.lostPoints;
      shares += band.fullShare;
    }
    // The bands' losses are what the group's similarity lacks of 100.
    EXPECT_NEAR(shares, 100.0, 1e-9);
    EXPECT_NEAR(100.0 - lost, result.uniform.main[static_cast<std::size_t>(g - 1)], 1e-9) << "group " << g;
  }
}

TEST_F(RunPicturesTest, ActivityKeepsEachSignalsOwnFlagsBeforeTheUnion) {
  const Signal speech = test::speechLikeSignal(kSixSeconds);
  const Signal silence(kSixSeconds, 0);
  const AnalysisResult& result = compare(silence, speech);
  const ActivityTimeline& activity = result.pictures.activity;
  EXPECT_EQ(activity.frameCount, 600);
  std::int32_t frames = 0;
  std::int32_t heard = 0;
  for (const ActivityRun& run : activity.runs) {
    EXPECT_GT(run.frames, 0);
    EXPECT_EQ(run.source, 0);  // the union gates the spectra, but the silent source heard nothing
    frames += run.frames;
    if (run.processed != 0) heard += run.frames;
  }
  EXPECT_EQ(frames, activity.frameCount);
  EXPECT_GT(heard, 100);
  EXPECT_GT(result.analysedFrames, 0);
  // The timeline holds exactly the disagreements behind the agreement.
  EXPECT_EQ(static_cast<double>(activity.frameCount - activity.disagreements()) / activity.frameCount,
            result.activityAgreement);
}

TEST_F(RunPicturesTest, EachRunReplacesThePicturesOfTheLast) {
  const Signal speech = test::speechLikeSignal(kSixSeconds);
  compare(speech, halved(speech));
  const Signal silence(kSixSeconds / 2, 0);
  const AnalysisResult& result = compare(silence, silence);
  EXPECT_EQ(result.pictures.activity.frameCount, 300);
  ASSERT_EQ(result.pictures.activity.runs.size(), 1u);
  EXPECT_EQ(result.pictures.activity.runs[0].source, 0);
  for (double value : result.pictures.sourceSpectrum) EXPECT_EQ(value, 0.0);
  for (const BandPicture& band : result.pictures.mainGroups[0].bands) {
    EXPECT_FALSE(band.judged);
    EXPECT_EQ(band.lostPoints, 0.0);
  }
}

TEST(ActivityTimelineTest, RunsAreCompactForLongSignals) {
  // 25 minutes of frames, speech switching every 2 s in one signal and every
  // 3 s in the other: the timeline holds the switches, not the frames.
  constexpr std::int32_t kFrames = 150000;
  std::vector<std::int16_t> source(kFrames);
  std::vector<std::int16_t> processed(kFrames);
  for (std::int32_t k = 0; k < kFrames; ++k) {
    source[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((k / 200) % 2);
    processed[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((k / 300) % 2);
  }
  const ActivityTimeline timeline = ActivityTimeline::fromFlags(source.data(), processed.data(), kFrames);
  EXPECT_EQ(timeline.frameCount, kFrames);
  EXPECT_LT(timeline.runs.size(), 1500u);
  std::int32_t disagreements = 0;
  for (std::int32_t k = 0; k < kFrames; ++k) {
    if (source[static_cast<std::size_t>(k)] != processed[static_cast<std::size_t>(k)]) ++disagreements;
  }
  EXPECT_EQ(timeline.disagreements(), disagreements);
  EXPECT_EQ(ActivityTimeline::fromFlags(nullptr, nullptr, 0).runs.size(), 0u);
}

}  // namespace
}  // namespace orvelle
