#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "analyzer/activity_flags.h"
#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"
#include "analyzer/spectrum_accumulator.h"
#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

TEST(AnalysisFrames, CountsNeverStartAFrameInTheLastAnalysisLength) {
  EXPECT_EQ(detectorFrameCount(0), 0);
  EXPECT_EQ(detectorFrameCount(1024), 0);
  EXPECT_EQ(detectorFrameCount(1025), 1);
  EXPECT_EQ(detectorFrameCount(1104), 1);
  EXPECT_EQ(detectorFrameCount(1184), 2);
  EXPECT_EQ(detectorFrameCount(1185), 3);
  EXPECT_EQ(spectralFrameCount(1024), 0);
  EXPECT_EQ(spectralFrameCount(1025), 1);
  EXPECT_EQ(spectralFrameCount(1184), 1);
  EXPECT_EQ(spectralFrameCount(1185), 2);
  EXPECT_EQ(spectralFrameCount(-5), 0);
  // The largest count neither overflows nor leaves the flag array.
  const std::int32_t largest = 2147483647;
  EXPECT_EQ(detectorFrameCount(largest), (largest - 1024 + 79) / 80);
  EXPECT_GT(activityFlagCount(largest), static_cast<std::size_t>(detectorFrameCount(largest)) + 7);
  EXPECT_GT(activityFlagCount(largest), 2 * static_cast<std::size_t>(spectralFrameCount(largest)) - 1);
  EXPECT_EQ(activityFlagCount(79), 50u);
  EXPECT_EQ(activityFlagCount(80), 51u);
}

TEST(AnalysisFrames, AccumulatesOnlyGatedFramesOfTheSignal) {
  SpectralFrontEnd frontEnd;
  ASSERT_TRUE(frontEnd.setUp(kAnalysisExponent));
  frontEnd.setSampleRate(kAnalysisSampleRateHz);
  frontEnd.setAnalysisWindow();
  FrameWorkArea work;
  const std::vector<std::int16_t> signal = test::speechLikeSignal(4000);

  for (const auto& [length, frames] : std::vector<std::pair<std::int32_t, std::int32_t>>{{1024, 0}, {1025, 1}, {1184, 1}, {1185, 2}}) {
    // The signal is exactly `length` samples long, so a read past it would
    // show up under the address sanitizer.
    const std::vector<std::int16_t> exact(signal.begin(), signal.begin() + length);
    const std::vector<std::int16_t> allSpeech(activityFlagCount(length), 1);
    MeanSpectrum mean;
    mean.resize(kMeanSpectrumBins);
    EXPECT_EQ(accumulateSpectrum(frontEnd, exact.data(), length, allSpeech.data(), mean, work), frames) << length;
    EXPECT_EQ(mean.frames(), frames);
  }

  // Frame k is gated by flags 2k and 2k + 1 only.
  std::vector<std::int16_t> gate(activityFlagCount(1504), 0);
  gate[3] = 1;  // frame 1
  gate[6] = 1;  // frame 3
  MeanSpectrum mean;
  mean.resize(kMeanSpectrumBins);
  EXPECT_EQ(spectralFrameCount(1504), 3);
  EXPECT_EQ(accumulateSpectrum(frontEnd, signal.data(), 1504, gate.data(), mean, work), 1);

  // Only frame 1 passed: the mean is exactly that frame's spectrum.
  std::copy(signal.begin() + 160, signal.begin() + 160 + 1024, work.frame.begin());
  frontEnd.applyWindow(work.frame.data());
  frontEnd.transform(work.frame.data());
  std::array<double, kAnalysisFrameLength / 2 + 1> power{};
  frontEnd.powerSpectrum(work.frame.data(), power.data());
  for (std::int32_t bin = 0; bin < kMeanSpectrumBins; ++bin) ASSERT_EQ(mean.value(bin), power[bin]) << bin;
}

TEST(MeanSpectrum, EveryBinFollowsTheIncrementalMeanWhateverTheCount) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> value(0.0, 1e9);
  // Counts that leave every remainder of the vector widths.
  for (std::int32_t count = 1; count <= 11; ++count) {
    MeanSpectrum mean;
    mean.resize(count);
    std::vector<double> expected(static_cast<std::size_t>(count), 0.0);
    for (int frame = 1; frame <= 7; ++frame) {
      std::vector<double> power(static_cast<std::size_t>(count));
      for (double& p : power) p = value(random);
      ASSERT_TRUE(mean.add(power.data()));
      for (std::size_t i = 0; i < power.size(); ++i) expected[i] += (power[i] - expected[i]) / frame;
    }
    for (std::int32_t bin = 0; bin < count; ++bin) {
      ASSERT_EQ(mean.value(bin), expected[static_cast<std::size_t>(bin)]) << "count " << count << " bin " << bin;
    }
  }
}

TEST(ActivityFlags, HangoverFillsWholeBlocks) {
  std::vector<std::int16_t> flags(60, 0);
  flags[2] = 1;   // block 0
  flags[17] = 1;  // block 2, which runs past the last frame (19)
  flags[30] = 1;  // beyond the frames: left alone
  applyHangover(flags.data(), 20);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(flags[k], 1) << k;
  for (int k = 8; k < 16; ++k) EXPECT_EQ(flags[k], 0) << k;
  for (int k = 16; k < 24; ++k) EXPECT_EQ(flags[k], 1) << k;
  EXPECT_EQ(flags[24], 0);
  EXPECT_EQ(flags[30], 1);

  std::vector<std::int16_t> untouched(10, 1);
  applyHangover(untouched.data(), 0);
  for (std::int16_t flag : untouched) EXPECT_EQ(flag, 1);
}

TEST(ActivityFlags, MergeCountsAgreementAndKeepsTheUnion) {
  std::vector<std::int16_t> source(activityFlagCount(400), 0);
  std::vector<std::int16_t> processed(source.size(), 0);
  source[0] = 1;
  processed[1] = 1;
  source[3] = 1;
  processed[3] = 1;
  processed[5] = 1;  // past the five whole frames of 400 samples
  EXPECT_DOUBLE_EQ(mergeActivity(source.data(), processed.data(), 400), 3.0 / 5.0);
  EXPECT_EQ(source[0], 1);
  EXPECT_EQ(source[1], 1);
  EXPECT_EQ(source[2], 0);
  EXPECT_EQ(source[3], 1);
  EXPECT_EQ(source[5], 0);

  std::vector<std::int16_t> few(activityFlagCount(79), 0);
  std::vector<std::int16_t> other(few.size(), 1);
  EXPECT_EQ(mergeActivity(few.data(), other.data(), 79), 1.0);
  EXPECT_EQ(few[0], 0);
}

TEST(ActivityFlags, SilenceIsNeverSpeechAndSpeechIsFound) {
  const std::int32_t length = 48000;
  std::vector<std::int16_t> flags(activityFlagCount(length), 0);
  const std::vector<std::int16_t> silence(static_cast<std::size_t>(length), 0);
  detectActivity(silence.data(), length, flags.data());
  for (std::int16_t flag : flags) ASSERT_EQ(flag, 0);

  const std::vector<std::int16_t> speech = test::speechLikeSignal(static_cast<std::size_t>(length));
  detectActivity(speech.data(), length, flags.data());
  int active = 0;
  for (std::int16_t flag : flags) {
    ASSERT_TRUE(flag == 0 || flag == 1);
    active += flag;
  }
  EXPECT_GT(active, 0);
  EXPECT_LE(active, detectorFrameCount(length) + 7);
  for (std::size_t k = static_cast<std::size_t>(detectorFrameCount(length) + 7); k < flags.size(); ++k) EXPECT_EQ(flags[k], 0);
}

}  // namespace
}  // namespace orvelle
