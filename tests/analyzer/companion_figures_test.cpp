// The figures measured beside the score, on signals whose answer is known.
#include "analyzer/companion_figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analyzer/measurement_report.h"
#include "analyzer/quality_analyzer.h"
#include "analyzer/signal_delay.h"
#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

constexpr std::size_t kFourSeconds = 32000;

// Every 80-sample frame marked as speech.
std::vector<std::int16_t> allSpeech(const Signal& signal) { return std::vector<std::int16_t>(signal.size() / 80, 1); }

CompanionFigures measure(const Signal& source, const Signal& processed, const std::vector<std::int16_t>& speech) {
  const auto count = static_cast<std::int32_t>(source.size());
  return measureCompanionFigures(source.data(), processed.data(), count, speech,
                                 estimateDelay(source.data(), processed.data(), count));
}

Signal delayed(const Signal& signal, std::ptrdiff_t delay) {
  Signal out(signal.size(), 0);
  for (std::size_t n = 0; n < signal.size(); ++n) {
    const std::ptrdiff_t from = static_cast<std::ptrdiff_t>(n) - delay;
    if (from >= 0 && from < static_cast<std::ptrdiff_t>(signal.size())) out[n] = signal[static_cast<std::size_t>(from)];
  }
  return out;
}

TEST(CompanionFigures, FindTheDelayOfAWaveformEitherWayAndMeasureAtIt) {
  const Signal source = test::speechLikeSignal(kFourSeconds);
  for (const std::ptrdiff_t delay : {0, 40, -40, 1600, -1600}) {
    const CompanionFigures figures = measure(source, delayed(source, delay), allSpeech(source));
    ASSERT_TRUE(figures.measured);
    EXPECT_EQ(figures.delaySamples, delay);
    EXPECT_EQ(figures.delayMethod, DelayMethod::waveform);
    EXPECT_GT(figures.waveformCorrelation, 0.9) << delay;
    // Every frame is exact, but those at one end whose partner was shifted
    // out of the signal, wholly (0 dB) or in part.
    const double frames = static_cast<double>(source.size() / 80);
    const double lost = static_cast<double>(std::abs(delay)) / 80.0;
    EXPECT_GE(figures.segmentalSnrDb, kFrameSnrCeilingDb * (frames - std::ceil(lost)) / frames) << delay;
    EXPECT_LE(figures.segmentalSnrDb, kFrameSnrCeilingDb * (frames - std::floor(lost)) / frames) << delay;
    if (delay != 0) {
      EXPECT_LT(figures.segmentalSnrDb, kFrameSnrCeilingDb) << delay;
    }
    EXPECT_NEAR(figures.levelDifferenceDb, 0.0, 0.5) << delay;
  }
  // Nothing beyond 200 ms is searched.
  EXPECT_NE(measure(source, delayed(source, 2000), allSpeech(source)).delaySamples, 2000);
}

TEST(CompanionFigures, AHalvingIsMinusSixDecibelsAndSixDecibelsOfSnr) {
  const Signal source = test::speechLikeSignal(kFourSeconds);
  Signal half(source.size());
  for (std::size_t n = 0; n < source.size(); ++n) half[n] = static_cast<std::int16_t>(source[n] / 2);
  const CompanionFigures figures = measure(source, half, allSpeech(source));
  EXPECT_EQ(figures.delaySamples, 0);
  // The signal's samples are even, so it halves exactly.
  EXPECT_NEAR(figures.levelDifferenceDb, -6.0206, 0.0001);
  EXPECT_NEAR(figures.segmentalSnrDb, 6.0206, 0.0001);
}

TEST(CompanionFigures, EveryFrameSnrIsClampedAndOnlySpeechFramesCount) {
  const Signal source = test::speechLikeSignal(kFourSeconds);
  const Signal silence(source.size(), 0);
  // Silence for an output gives every frame 0 dB; five times the input
  // (-12.04 dB) is held at the floor.
  EXPECT_NEAR(measure(source, silence, allSpeech(source)).segmentalSnrDb, 0.0, 1e-12);
  Signal quiet(source.size());
  Signal fiveTimes(source.size());
  for (std::size_t n = 0; n < source.size(); ++n) {
    quiet[n] = static_cast<std::int16_t>(source[n] / 4);
    fiveTimes[n] = static_cast<std::int16_t>(5 * quiet[n]);
  }
  EXPECT_EQ(measure(quiet, fiveTimes, allSpeech(quiet)).segmentalSnrDb, kFrameSnrFloorDb);
  std::vector<std::int16_t> speech = allSpeech(source);

  // Only the frames marked: an output that is wrong everywhere else still
  // measures perfect.
  Signal wrongOutside = source;
  for (std::size_t k = 0; k < speech.size(); ++k) {
    speech[k] = k % 2;
    if (k % 2 == 0)
      for (std::size_t i = 0; i < 80; ++i) wrongOutside[k * 80 + i] = static_cast<std::int16_t>(1000 - source[k * 80 + i]);
  }
  const CompanionFigures figures = measure(source, wrongOutside, speech);
  EXPECT_EQ(figures.speechFrames, static_cast<std::int32_t>(speech.size() / 2));
  EXPECT_EQ(figures.segmentalSnrDb, kFrameSnrCeilingDb);
  EXPECT_EQ(figures.levelDifferenceDb, 0.0);

  // No frame marked, or only frames silent in both signals: nothing to say.
  for (const CompanionFigures& none : {measure(source, source, std::vector<std::int16_t>(speech.size(), 0)),
                                       measure(silence, silence, allSpeech(silence))}) {
    EXPECT_EQ(none.speechFrames, 0);
    EXPECT_TRUE(std::isnan(none.segmentalSnrDb));
    EXPECT_TRUE(std::isnan(none.levelDifferenceDb));
  }
  // Noise where the source is silent is the codec's and counts at the floor.
  Signal noiseInSilence(source.size(), 0);
  noiseInSilence[5] = 100;
  const CompanionFigures noisy = measure(silence, noiseInSilence, allSpeech(silence));
  EXPECT_EQ(noisy.speechFrames, 1);
  EXPECT_EQ(noisy.segmentalSnrDb, kFrameSnrFloorDb);
}

TEST(CompanionFigures, ACodecThatKeepsOnlyTheEnvelopeIsTimedByItsEnvelope) {
  // A "vocoder": the source's loudness contour on noise of its own, 30 ms
  // late; no waveform in common.
  const Signal source = test::speechLikeSignal(kFourSeconds);
  Signal envelopeOnly(source.size(), 0);
  std::uint32_t state = 99;
  constexpr std::size_t kDelay = 240;
  for (std::size_t start = 0; start + 80 <= source.size(); start += 80) {
    double energy = 0.0;
    for (std::size_t i = 0; i < 80; ++i) energy += static_cast<double>(source[start + i]) * source[start + i];
    const double rms = std::sqrt(energy / 80.0);
    for (std::size_t i = 0; i < 80 && start + i + kDelay < source.size(); ++i) {
      state = state * 1664525u + 1013904223u;
      envelopeOnly[start + i + kDelay] = static_cast<std::int16_t>(rms * (static_cast<double>(state >> 8) / 8388608.0 - 1.0) * 1.7);
    }
  }
  const CompanionFigures figures = measure(source, envelopeOnly, allSpeech(source));
  EXPECT_LT(figures.waveformCorrelation, kWaveformCorrelationThreshold);
  EXPECT_EQ(figures.delayMethod, DelayMethod::envelope);
  EXPECT_NEAR(figures.delaySamples, static_cast<std::int32_t>(kDelay), 8);
}

// The speech-frame figures as a plain loop over the samples gives them, one
// sample at a time, silence outside the processed signal.
CompanionFigures plainSpeechFrames(const Signal& source, const Signal& processed,
                                   const std::vector<std::int16_t>& speech, std::int32_t delay) {
  CompanionFigures figures;
  double snrSum = 0.0, sourceEnergy = 0.0, processedEnergy = 0.0;
  const auto count = static_cast<std::int64_t>(source.size());
  for (std::size_t k = 0; k < speech.size(); ++k) {
    if (speech[k] == 0) continue;
    double signal = 0.0, noise = 0.0, output = 0.0;
    for (std::int64_t i = 0; i < 80; ++i) {
      const std::int64_t n = static_cast<std::int64_t>(k) * 80 + i;
      const double x = source[static_cast<std::size_t>(n)];
      const std::int64_t m = n + delay;
      const double y = m >= 0 && m < count ? processed[static_cast<std::size_t>(m)] : 0.0;
      signal += x * x;
      noise += (x - y) * (x - y);
      output += y * y;
    }
    if (signal == 0.0 && output == 0.0) continue;
    const double snr = noise == 0.0 ? kFrameSnrCeilingDb : 10.0 * std::log10(signal / noise);
    snrSum += std::clamp(snr, kFrameSnrFloorDb, kFrameSnrCeilingDb);
    sourceEnergy += signal;
    processedEnergy += output;
    ++figures.speechFrames;
  }
  figures.segmentalSnrDb = snrSum / figures.speechFrames;
  figures.levelDifferenceDb = 10.0 * std::log10(processedEnergy / sourceEnergy);
  return figures;
}

TEST(CompanionFigures, SpeechFramesHaveTheBitsOfThePlainLoopAtEveryDelay) {
  // Full-scale noise, so that the squares and differences reach their
  // largest, and delays that take frames past either end of the signal.
  const std::size_t count = 8000;
  Signal source(count), processed(count);
  std::uint32_t state = 7;
  for (std::size_t n = 0; n < count; ++n) {
    state = state * 1664525u + 1013904223u;
    source[n] = static_cast<std::int16_t>(state >> 16);
    processed[n] = static_cast<std::int16_t>(n % 3 == 0 ? -32768 : source[n] / 3);
  }
  const std::vector<std::int16_t> speech = allSpeech(source);
  for (const std::int32_t delay : {0, 1, -1, 79, -80, 1600, -1600, 7999, -7999}) {
    DelayEstimate estimate;
    estimate.samples = delay;
    const CompanionFigures fast =
        measureCompanionFigures(source.data(), processed.data(), static_cast<std::int32_t>(count), speech, estimate);
    const CompanionFigures plain = plainSpeechFrames(source, processed, speech, delay);
    EXPECT_EQ(fast.speechFrames, plain.speechFrames) << delay;
    EXPECT_EQ(fast.segmentalSnrDb, plain.segmentalSnrDb) << delay;
    EXPECT_EQ(fast.levelDifferenceDb, plain.levelDifferenceDb) << delay;
  }
}

class CompanionFiguresInARun : public ::testing::Test {};

TEST_F(CompanionFiguresInARun, LeaveTheScoreAndTheLogAsTheyWere) {
  const Signal source = test::speechLikeSignal(kFourSeconds);
  const Signal processed = delayed(source, 40);
  QualityAnalyzer analyzer(QualityAnalyzer::Threading::single);
  const double plain = analyzer.compareBuffers(source.data(), processed.data(), kFourSeconds, nullptr);
  const std::string plainLog = measurementLogText(analyzer.lastResult());
  EXPECT_FALSE(analyzer.lastResult().companion.measured);

  analyzer.setCompanionFigures(true);
  const double withFigures = analyzer.compareBuffers(source.data(), processed.data(), kFourSeconds, nullptr);
  EXPECT_EQ(withFigures, plain);
  EXPECT_EQ(measurementLogText(analyzer.lastResult()), plainLog);
  const CompanionFigures& figures = analyzer.lastResult().companion;
  ASSERT_TRUE(figures.measured);
  EXPECT_EQ(figures.delaySamples, 40);
  // The speech frames are the source's own: the bursts, not the pauses
  // between them (0.5 s of every 0.8 s, give or take the hangover).
  EXPECT_GT(figures.speechFrames, 200);
  EXPECT_LT(figures.speechFrames, 330);
}

}  // namespace
}  // namespace orvelle
