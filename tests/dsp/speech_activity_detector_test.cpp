#include "dsp/speech_activity_detector.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/lpc_analysis.h"
#include "dsp/speech_activity_tables.h"
#include "tests/dsp/speech_activity_detector_probe.h"
#include "tests/dsp/test_signals.h"

namespace orvelle {
namespace {

using Probe = SpeechActivityDetectorProbe;
using test::kFrame;

constexpr double kInverseTwoPi = 0.15915494309189535;

double energyOfLag0(double r0) { return 10.0 * std::log10(r0 * (1.0 / 240.0) + 1e-38); }

// The smallest r[0] whose full-band energy is exactly `db`.
double lag0ForExactEnergy(double db) {
  double r0 = 240.0 * std::pow(10.0, db / 10.0);
  for (int i = 0; i < 64 && energyOfLag0(r0) < db; ++i) {
    r0 = std::nextafter(r0, 1e300);
  }
  for (int i = 0; i < 64 && energyOfLag0(std::nextafter(r0, 0.0)) == db; ++i) {
    r0 = std::nextafter(r0, 0.0);
  }
  return r0;
}

// One crafted analysis result for decideActivity: r[0] sets the energy, the
// other lags are 0 (so the low-band energy is r[0]*L[0]), the window is
// silent (no zero crossings), and the line spectral frequencies are those of
// the trivial filter.
struct CraftedFrame {
  double rc1 = 0.8;  // at or above 0.75: no background update
  std::array<double, 13> r{};
  std::array<double, 240> buffer{};
  std::array<double, 10> lsf{};

  explicit CraftedFrame(double r0) {
    r[0] = r0;
    for (int i = 0; i < 10; ++i) {
      lsf[i] = (i + 1) * M_PI / 11.0;
    }
  }
  double energy() const { return energyOfLag0(r[0]); }
  double lowEnergy() const { return 10.0 * std::log10(r[0] * kLowBandCorrelation[0] * (1.0 / 240.0) + 1e-38); }
  // The background shape equal to this frame's scaled frequencies: SD = 0.
  void matchBackgroundShape(SpeechActivityDetector& d) const {
    for (int i = 0; i < 10; ++i) {
      Probe::bgLsf(d)[i] = lsf[i] * kInverseTwoPi;
    }
  }
  std::int32_t decide(SpeechActivityDetector& d, std::int32_t f, std::int32_t prev, std::int32_t prevPrev) const {
    std::array<double, 10> scratch = lsf;  // scaled in place by the decision
    return Probe::decideActivity(d, rc1, scratch.data(), r.data(), buffer.data(), f, prev, prevPrev);
  }
};

std::vector<std::int32_t> classify(SpeechActivityDetector& d, const std::vector<std::int16_t>& signal) {
  std::vector<std::int32_t> decisions;
  for (std::size_t start = 0; start + kFrame <= signal.size(); start += kFrame) {
    decisions.push_back(d.processFrame(signal.data() + start));
  }
  return decisions;
}

std::vector<std::int16_t> burstSignal(int cycles) {
  test::NoiseSource noise(2024u);
  std::vector<std::int16_t> signal;
  test::appendStretch(signal, test::Stretch::Quiet, 40, noise);
  for (int c = 0; c < cycles; ++c) {
    test::appendStretch(signal, c % 2 == 0 ? test::Stretch::Tone : test::Stretch::Noise, 30, noise);
    test::appendStretch(signal, test::Stretch::Quiet, 40, noise);
  }
  return signal;
}

// ---------------------------------------------------------------- whole signals

TEST(SpeechActivityDetector, DigitalSilenceIsNeverSpeech) {
  SpeechActivityDetector d;
  d.reset();
  const std::array<std::int16_t, kFrame> zeros{};
  for (int frame = 1; frame <= 3000; ++frame) {
    ASSERT_EQ(d.processFrame(zeros.data()), 0) << "frame " << frame;
  }
  EXPECT_NEAR(Probe::prevEnergy(d), -23.802, 5e-4);
}

TEST(SpeechActivityDetector, LoudStretchesAreSpeechAndQuietStretchesAreNot) {
  const std::vector<std::int16_t> signal = burstSignal(8);
  SpeechActivityDetector d;
  d.reset();
  const std::vector<std::int32_t> decisions = classify(d, signal);
  ASSERT_EQ(decisions.size(), 40u + 8u * 70u);
  for (int f = 0; f < 40; ++f) {
    EXPECT_EQ(decisions[f], 0) << "leading quiet frame " << f;
  }
  for (int c = 0; c < 8; ++c) {
    const int burst = 40 + c * 70;
    // The first frame of a burst may still be judged on the quiet window.
    for (int f = burst + 1; f < burst + 30; ++f) {
      EXPECT_EQ(decisions[f], 1) << "burst " << c << ", frame " << f;
    }
    // The analysis window spans three frames and the hangover may hold on
    // for a few more; after that the quiet must be non-speech.
    for (int f = burst + 30 + 6; f < burst + 70; ++f) {
      EXPECT_EQ(decisions[f], 0) << "quiet after burst " << c << ", frame " << f;
    }
  }
}

TEST(SpeechActivityDetector, TwoDetectorsFedTheSameFramesAgree) {
  const std::vector<std::int16_t> signal = burstSignal(6);
  SpeechActivityDetector a;
  SpeechActivityDetector b;
  a.reset();
  b.reset();
  for (std::size_t start = 0; start + kFrame <= signal.size(); start += kFrame) {
    ASSERT_EQ(a.processFrame(signal.data() + start), b.processFrame(signal.data() + start)) << start / kFrame;
  }
  EXPECT_TRUE(Probe::sameHistory(a, b));
}

TEST(SpeechActivityDetector, ResetStartsAnIndependentRun) {
  const std::vector<std::int16_t> signal = burstSignal(4);
  std::vector<std::int16_t> other = burstSignal(5);
  for (std::int16_t& s : other) {
    s = static_cast<std::int16_t>(s / 3);
  }
  SpeechActivityDetector used;
  used.reset();
  classify(used, other);
  used.reset();
  SpeechActivityDetector fresh;
  fresh.reset();
  EXPECT_TRUE(Probe::sameHistory(used, fresh));
  EXPECT_EQ(Probe::frameCount(used), 0);
  EXPECT_EQ(classify(used, signal), classify(fresh, signal));
}

TEST(SpeechActivityDetector, PreprocessingFilterRunsAcrossFramesInItsOwnOrder) {
  // y[n] = 0.92727435 x[n] - 1.8544941 x[n-1] + 0.92727435 x[n-2]
  //        + 1.9059465 y[n-1] - 0.9114024 y[n-2], left to right, with the
  // history carried from frame to frame; after a frame the window moves on
  // by 80 samples.
  test::NoiseSource noise(31u);
  std::vector<std::int16_t> signal;
  test::appendStretch(signal, test::Stretch::Noise, 3, noise);
  std::vector<double> expected(signal.size());
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
  for (std::size_t n = 0; n < signal.size(); ++n) {
    const double x = signal[n];
    const double y = 0.92727435 * x - 1.8544941 * x1 + 0.92727435 * x2 + 1.9059465 * y1 - 0.9114024 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    expected[n] = y;
  }
  SpeechActivityDetector d;
  d.reset();
  classify(d, signal);
  for (int k = 0; k < 160; ++k) {
    ASSERT_EQ(Probe::speechBuffer(d)[k], expected[kFrame + k]) << k;
  }
}

TEST(SpeechActivityDetector, SilentInitialisationPutsBackgroundTenDecibelsBelowZero) {
  SpeechActivityDetector d;
  d.reset();
  const std::array<std::int16_t, kFrame> zeros{};
  for (int frame = 1; frame <= 32; ++frame) {
    d.processFrame(zeros.data());
  }
  EXPECT_EQ(Probe::initMeanEnergy(d), 0.0);
  EXPECT_EQ(Probe::lowEnergyCount(d), 32);
  EXPECT_EQ(Probe::bgEnergy(d), -10.0);
  EXPECT_EQ(Probe::bgLowEnergy(d), -12.0);
  // Frame 33: the running minimum is the silence energy, and a background
  // more than 10 dB above it is pulled down at once.
  d.processFrame(zeros.data());
  EXPECT_EQ(Probe::runningMin(d), energyOfLag0(1.0));
  EXPECT_EQ(Probe::bgEnergy(d), energyOfLag0(1.0));
  EXPECT_EQ(Probe::updateCount(d), 0);
}

TEST(SpeechActivityDetector, FrameCounterWrapsTo256AndKeepsTheBlockPhase) {
  // Speech-like bursts long enough to pass the last frame number.
  test::NoiseSource noise(77u);
  std::vector<std::int16_t> chunk;
  test::appendStretch(chunk, test::Stretch::Quiet, 37, noise);
  test::appendStretch(chunk, test::Stretch::Tone, 23, noise);
  test::appendStretch(chunk, test::Stretch::Quiet, 29, noise);
  test::appendStretch(chunk, test::Stretch::Noise, 11, noise);
  const int chunkFrames = static_cast<int>(chunk.size()) / kFrame;

  SpeechActivityDetector wrapping;
  wrapping.reset();
  int position = 0;
  auto nextFrame = [&]() {
    const std::int16_t* frame = chunk.data() + position * kFrame;
    position = (position + 1) % chunkFrames;
    return frame;
  };
  for (int frame = 1; frame <= 32767; ++frame) {
    wrapping.processFrame(nextFrame());
  }
  ASSERT_EQ(Probe::frameCount(wrapping), 32767);

  // A twin numbered eight frames lower stands for a counter that had not
  // wrapped: from here both must keep block ends on the same frames.
  SpeechActivityDetector twin = wrapping;
  Probe::frameCount(twin) = 32767 - 8;
  const std::array<double, 16> blocksBefore = Probe::blockMin(wrapping);

  const std::int16_t* frame = nextFrame();
  EXPECT_EQ(wrapping.processFrame(frame), twin.processFrame(frame));
  EXPECT_EQ(Probe::frameCount(wrapping), 256);
  for (int k = 0; k < 15; ++k) {
    EXPECT_EQ(Probe::blockMin(wrapping)[k], blocksBefore[k + 1]) << "frame 256 must close a block";
  }
  EXPECT_TRUE(Probe::sameHistory(wrapping, twin));

  for (int i = 0; i < 300; ++i) {
    frame = nextFrame();
    ASSERT_EQ(wrapping.processFrame(frame), twin.processFrame(frame)) << "frame " << Probe::frameCount(wrapping);
    ASSERT_TRUE(Probe::sameHistory(wrapping, twin)) << "frame " << Probe::frameCount(wrapping);
  }
  EXPECT_EQ(Probe::frameCount(wrapping), 556);
}

// ---------------------------------------------------------------- crafted frames

TEST(SpeechActivityDecision, FirstFramesAreSpeechExactlyFromTwentyOneDecibels) {
  const CraftedFrame atThreshold(lag0ForExactEnergy(21.0));
  const CraftedFrame justBelow(std::nextafter(atThreshold.r[0], 0.0));
  ASSERT_EQ(atThreshold.energy(), 21.0);
  ASSERT_LT(justBelow.energy(), 21.0);
  SpeechActivityDetector d;
  d.reset();
  for (std::int32_t f = 1; f <= 31; ++f) {
    const bool loud = (f % 2 == 1);
    // Previous decisions and spectral features must not matter here.
    EXPECT_EQ((loud ? atThreshold : justBelow).decide(d, f, 1, 1), loud ? 1 : 0) << "frame " << f;
  }
  EXPECT_EQ(Probe::lowEnergyCount(d), 15);
  EXPECT_EQ(Probe::initMeanEnergy(d), 21.0);
}

// A detector in the full-decision regime whose background sits 3 dB below the
// crafted frame: the fourteen boundaries then all say non-speech, so only a
// hangover rule can make the frame speech.
SpeechActivityDetector detectorThreeDecibelsAbove(const CraftedFrame& frame) {
  SpeechActivityDetector d;
  d.reset();
  Probe::bgEnergy(d) = frame.energy() - 3.0;
  Probe::bgLowEnergy(d) = frame.lowEnergy() - 3.0;
  Probe::bgZeroCross(d) = 0.0;
  frame.matchBackgroundShape(d);
  Probe::runningMin(d) = frame.energy() - 6.0;
  Probe::prevEnergy(d) = frame.energy() - 10.0;  // too far for the two-frame extension
  return d;
}

TEST(SpeechActivityDecision, HangoverAfterSpeechNeedsEnergyStrictlyAbove21Decibels) {
  const CraftedFrame atThreshold(lag0ForExactEnergy(21.0));
  double aboveLag0 = atThreshold.r[0];
  while (energyOfLag0(aboveLag0) == 21.0) {
    aboveLag0 = std::nextafter(aboveLag0, 1e300);
  }
  const CraftedFrame justAbove(aboveLag0);
  ASSERT_EQ(Probe::ruleDecision(-3.0, -3.0, 0.0, 0.0), 0);

  SpeechActivityDetector d = detectorThreeDecibelsAbove(atThreshold);
  EXPECT_EQ(atThreshold.decide(d, 100, 1, 0), 0);
  EXPECT_EQ(Probe::forcedSpeech(d), 0);

  SpeechActivityDetector e = detectorThreeDecibelsAbove(justAbove);
  EXPECT_EQ(justAbove.decide(e, 100, 1, 0), 1);
  EXPECT_EQ(Probe::forcedSpeech(e), 1);

  SpeechActivityDetector afterSilence = detectorThreeDecibelsAbove(justAbove);
  EXPECT_EQ(justAbove.decide(afterSilence, 100, 0, 0), 0) << "the hangover only follows speech";
}

// Quiet frames (15 dB) right after speech, with a steady energy: only the
// two-frame extension can make them speech.
struct ExtensionSetup {
  CraftedFrame frame{lag0ForExactEnergy(15.0)};
  SpeechActivityDetector d;
  ExtensionSetup() {
    d.reset();
    Probe::bgEnergy(d) = 14.0;
    Probe::bgLowEnergy(d) = 0.0;
    Probe::runningMin(d) = 10.0;
    Probe::prevEnergy(d) = frame.energy();
  }
};

TEST(SpeechActivityDecision, HangoverExtensionStopsAfterFiveAndRestsOneFrame) {
  ExtensionSetup s;
  const std::int32_t expected[] = {1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 0, 1};
  std::int32_t f = 97;
  for (std::int32_t want : expected) {
    EXPECT_EQ(s.frame.decide(s.d, f, 1, 1), want) << "frame " << f;
    ++f;
  }
  EXPECT_EQ(Probe::extensionCount(s.d), 1);
  EXPECT_EQ(Probe::extensionAllowed(s.d), 1);
}

TEST(SpeechActivityDecision, ExtensionLimitCountsExtensionsConsecutiveOrNot) {
  ExtensionSetup s;
  EXPECT_EQ(s.frame.decide(s.d, 97, 1, 1), 1);
  EXPECT_EQ(s.frame.decide(s.d, 98, 1, 1), 1);
  EXPECT_EQ(s.frame.decide(s.d, 99, 1, 0), 0) << "no extension without two speech frames before";
  EXPECT_EQ(Probe::extensionCount(s.d), 2);
  EXPECT_EQ(s.frame.decide(s.d, 100, 1, 1), 1);
  EXPECT_EQ(s.frame.decide(s.d, 101, 1, 1), 1);
  EXPECT_EQ(Probe::extensionAllowed(s.d), 1);
  EXPECT_EQ(s.frame.decide(s.d, 102, 1, 1), 1);
  EXPECT_EQ(Probe::extensionAllowed(s.d), 0);
  EXPECT_EQ(Probe::extensionCount(s.d), 0);
  EXPECT_EQ(s.frame.decide(s.d, 103, 1, 1), 0);
  EXPECT_EQ(Probe::extensionAllowed(s.d), 1);
}

TEST(SpeechActivityDecision, ExtensionNeedsASteadyEnergy) {
  ExtensionSetup s;
  Probe::prevEnergy(s.d) = s.frame.energy() + 3.0;
  EXPECT_EQ(s.frame.decide(s.d, 97, 1, 1), 1) << "a step of exactly 3 dB still extends";
  Probe::prevEnergy(s.d) = s.frame.energy() + 3.5;
  EXPECT_EQ(s.frame.decide(s.d, 98, 1, 1), 0);
}

TEST(SpeechActivityDecision, ZeroCrossingsCountOnlyNegativeProductsInTheirSpan) {
  const CraftedFrame loud(lag0ForExactEnergy(40.0));
  auto crossingRateSeen = [&](const std::array<double, 240>& buffer) {
    SpeechActivityDetector d;
    d.reset();
    CraftedFrame frame = loud;
    frame.buffer = buffer;
    EXPECT_EQ(frame.decide(d, 1, 1, 1), 1);
    return Probe::bgZeroCross(d);  // the mean over the one speech frame so far
  };
  std::array<double, 240> alternating{};
  std::array<double, 240> tinyAlternating{};
  for (int n = 0; n < 240; ++n) {
    alternating[n] = (n % 2 == 0) ? 1.0 : -1.0;
    tinyAlternating[n] = (n % 2 == 0) ? 1e-200 : -1e-200;  // products underflow to zero
  }
  EXPECT_EQ(crossingRateSeen(alternating), 1.0);
  EXPECT_EQ(crossingRateSeen(tinyAlternating), 0.0);

  std::array<double, 240> step{};
  for (int n = 0; n < 240; ++n) {
    step[n] = (n < 121) ? 1.0 : -1.0;  // one crossing, between 120 and 121
  }
  EXPECT_EQ(crossingRateSeen(step), 0.0125);
  for (int n = 0; n < 240; ++n) {
    step[n] = (n < 120) ? 1.0 : -1.0;  // between 119 and 120: outside the span
  }
  EXPECT_EQ(crossingRateSeen(step), 0.0);
  for (int n = 0; n < 240; ++n) {
    step[n] = (n < 201) ? 1.0 : -1.0;  // between 200 and 201: outside the span
  }
  EXPECT_EQ(crossingRateSeen(step), 0.0);
  std::array<double, 240> threeCrossings{};
  for (int n = 0; n < 240; ++n) {
    threeCrossings[n] = (n < 130 || (n >= 150 && n < 170)) ? 1.0 : -1.0;  // at 130, 150 and 170
  }
  ASSERT_NE(3 * 0.0125, 3 / 80.0) << "the rate is a product, which differs from the quotient here";
  EXPECT_EQ(crossingRateSeen(threeCrossings), 3 * 0.0125);
  std::array<double, 240> touching{};
  for (int n = 0; n < 240; ++n) {
    touching[n] = (n % 3 == 0) ? 0.0 : 1.0 - 2.0 * (n % 2);
  }
  const double rate = crossingRateSeen(touching);
  int expectedCrossings = 0;
  for (int n = 121; n <= 200; ++n) {
    expectedCrossings += (touching[n - 1] * touching[n] < 0.0) ? 1 : 0;
  }
  EXPECT_EQ(rate, 0.0125 * expectedCrossings) << "a zero sample never makes a crossing";
}

// A loud frame (40 dB against a 20 dB background: the boundaries say
// speech) after a long run of non-speech frames.
struct OnsetSetup {
  CraftedFrame frame{lag0ForExactEnergy(40.0)};
  SpeechActivityDetector d;
  explicit OnsetSetup(std::int32_t silentFrames, double previousEnergy) {
    d.reset();
    Probe::bgEnergy(d) = 20.0;
    Probe::bgLowEnergy(d) = 10.0;
    Probe::runningMin(d) = 15.0;
    Probe::silenceRun(d) = silentFrames;
    Probe::prevEnergy(d) = previousEnergy;
  }
  std::int32_t decide() { return frame.decide(d, 100, 0, 0); }
};

TEST(SpeechActivityDecision, SpeechAfterLongSilenceNeedsAnEnergyRise) {
  OnsetSetup rise(11, 36.5);
  EXPECT_EQ(rise.decide(), 1) << "a rise of 3.5 dB is an onset";
  EXPECT_EQ(Probe::silenceRun(rise.d), 0);

  OnsetSetup flat(11, 37.0);
  EXPECT_EQ(flat.decide(), 0) << "a rise of exactly 3 dB is not";
  EXPECT_EQ(Probe::silenceRun(flat.d), 0);

  OnsetSetup fall(11, 45.0);
  EXPECT_EQ(fall.decide(), 0) << "the difference is signed: a fall is no onset";

  OnsetSetup shortSilence(10, 40.0);
  EXPECT_EQ(shortSilence.decide(), 1) << "ten silent frames are not yet a long silence";
  EXPECT_EQ(Probe::silenceRun(shortSilence.d), 0);
}

TEST(SpeechActivityDecision, SilenceRunCountsNonSpeechFrames) {
  OnsetSetup s(3, 0.0);
  const CraftedFrame quiet(lag0ForExactEnergy(15.0));
  EXPECT_EQ(quiet.decide(s.d, 100, 0, 0), 0);
  EXPECT_EQ(quiet.decide(s.d, 101, 0, 0), 0);
  EXPECT_EQ(Probe::silenceRun(s.d), 5);
}

TEST(SpeechActivityDecision, InitialisationMeansUseTheirOwnArithmetic) {
  // The energy and zero-crossing means divide by n; the spectral mean
  // multiplies by 1/n. The two forms differ in the last bit for some inputs,
  // and decisions downstream can depend on it.
  SpeechActivityDetector d;
  d.reset();
  double energyMean = 0.0;
  std::array<double, 10> shapeMean{};
  bool formsDiffer = false;
  for (std::int32_t f = 1; f <= 31; ++f) {
    CraftedFrame frame(lag0ForExactEnergy(21.0 + 0.37 * f));
    for (int i = 0; i < 10; ++i) {
      frame.lsf[i] = (i + 1) * (0.27 + 0.0013 * f);
    }
    ASSERT_EQ(frame.decide(d, f, 1, 1), 1);
    const double previous = static_cast<double>(f - 1);
    const double byDivision = (previous * energyMean + frame.energy()) / f;
    formsDiffer = formsDiffer || byDivision != (previous * energyMean + frame.energy()) * (1.0 / f);
    energyMean = byDivision;
    for (int i = 0; i < 10; ++i) {
      shapeMean[i] = (previous * shapeMean[i] + frame.lsf[i] * kInverseTwoPi) * (1.0 / f);
    }
    ASSERT_EQ(Probe::initMeanEnergy(d), energyMean) << "frame " << f;
    ASSERT_EQ(Probe::bgLsf(d), shapeMean) << "frame " << f;
  }
  EXPECT_TRUE(formsDiffer) << "the inputs must tell the two forms apart";
}

TEST(SpeechActivityDecision, BlockEndRestartsTheRunningMinimumBeforeTheResetReadsIt) {
  const CraftedFrame frame(lag0ForExactEnergy(25.0));
  auto backgroundAfter = [&](std::int32_t f) {
    SpeechActivityDetector d;
    d.reset();
    Probe::bgEnergy(d) = 40.0;
    Probe::runningMin(d) = 20.0;
    frame.decide(d, f, 0, 0);
    return Probe::bgEnergy(d);
  };
  EXPECT_EQ(backgroundAfter(63), 20.0) << "more than 10 dB above the minimum: reset";
  EXPECT_EQ(backgroundAfter(64), 40.0) << "the block end has just restarted the minimum";
}

TEST(SpeechActivityDecision, BackgroundBelowTheMinimumIsRaisedOnlyAfterFrame128) {
  const CraftedFrame frame(lag0ForExactEnergy(25.0));
  auto run = [&](std::int32_t f, double* updateCount) {
    SpeechActivityDetector d;
    d.reset();
    Probe::bgEnergy(d) = 15.0;
    Probe::runningMin(d) = 20.0;
    Probe::minOfBlocks(d) = 20.0;
    Probe::updateCount(d) = 7;
    frame.matchBackgroundShape(d);
    frame.decide(d, f, 0, 0);
    *updateCount = Probe::updateCount(d);
    return Probe::bgEnergy(d);
  };
  double count = 0.0;
  EXPECT_EQ(run(100, &count), 15.0);
  EXPECT_EQ(count, 7.0);
  EXPECT_EQ(run(130, &count), 20.0);
  EXPECT_EQ(count, 0.0);
}

TEST(SpeechActivityDecision, LowEnergyOverrideOnlyAfterFrame128) {
  // 25 dB against a 23 dB background and a flat spectrum: the boundaries say
  // speech (dSLE above its line), and only the override can silence it.
  const CraftedFrame frame(lag0ForExactEnergy(25.0));
  auto decideAt = [&](std::int32_t f, double rc1) {
    SpeechActivityDetector d;
    d.reset();
    Probe::bgEnergy(d) = 23.0;
    Probe::bgLowEnergy(d) = frame.lowEnergy() + 5.0;
    Probe::runningMin(d) = 20.0;
    Probe::minOfBlocks(d) = 20.0;
    CraftedFrame f2 = frame;
    f2.rc1 = rc1;
    return f2.decide(d, f, 0, 0);
  };
  EXPECT_EQ(decideAt(128, 0.5), 1);
  EXPECT_EQ(decideAt(130, 0.5), 0);
  EXPECT_EQ(decideAt(130, 0.6), 1) << "rc1 of 0.6 does not allow the override";
}

TEST(SpeechActivityDecision, UpdateSpeedsFollowTheUpdateCount) {
  struct Row {
    std::int32_t countBefore;
    double cE, cZ, cS;
  };
  const Row rows[] = {{0, 0.75, 0.8, 0.6},     {18, 0.75, 0.8, 0.6},    {19, 0.95, 0.92, 0.65},
                      {28, 0.95, 0.92, 0.65},  {29, 0.97, 0.94, 0.7},   {38, 0.97, 0.94, 0.7},
                      {39, 0.99, 0.96, 0.75},  {48, 0.99, 0.96, 0.75},  {49, 0.995, 0.99, 0.75},
                      {58, 0.995, 0.99, 0.75}, {59, 0.995, 0.998, 0.75}, {5000, 0.995, 0.998, 0.75}};
  CraftedFrame frame(lag0ForExactEnergy(12.0));
  frame.rc1 = 0.5;
  for (int n = 121; n <= 200; ++n) {
    frame.buffer[n] = (n % 4 < 2) ? 1.0 : -1.0;  // 40 crossings: ZC = 0.5
  }
  for (const Row& row : rows) {
    SpeechActivityDetector d;
    d.reset();
    Probe::bgEnergy(d) = 11.0;
    Probe::bgLowEnergy(d) = 2.0;
    Probe::bgZeroCross(d) = 0.25;
    Probe::runningMin(d) = 5.0;
    Probe::updateCount(d) = row.countBefore;
    frame.matchBackgroundShape(d);
    for (double& v : Probe::bgLsf(d)) {
      v += 0.01;  // SD = 0.001: close enough to update
    }
    const std::array<double, 10> bgBefore = Probe::bgLsf(d);
    frame.decide(d, 100, 0, 0);
    ASSERT_EQ(Probe::updateCount(d), row.countBefore + 1);
    const double E = frame.energy();
    EXPECT_EQ(Probe::bgEnergy(d), row.cE * 11.0 + (1.0 - row.cE) * E) << row.countBefore;
    EXPECT_EQ(Probe::bgLowEnergy(d), row.cE * 2.0 + (1.0 - row.cE) * frame.lowEnergy()) << row.countBefore;
    EXPECT_EQ(Probe::bgZeroCross(d), row.cZ * 0.25 + (1.0 - row.cZ) * 0.5) << row.countBefore;
    EXPECT_EQ(Probe::bgLsf(d)[3], row.cS * bgBefore[3] + (1.0 - row.cS) * (frame.lsf[3] * kInverseTwoPi))
        << row.countBefore;
  }
}

TEST(SpeechActivityDecision, BackgroundUpdateNeedsASecondReflectionCoefficientBelowThreeQuarters) {
  auto updated = [](double rc1) {
    CraftedFrame frame(lag0ForExactEnergy(12.0));
    frame.rc1 = rc1;
    SpeechActivityDetector d;
    d.reset();
    Probe::bgEnergy(d) = 11.0;
    Probe::runningMin(d) = 5.0;
    frame.matchBackgroundShape(d);
    frame.decide(d, 100, 0, 0);
    return Probe::updateCount(d) == 1;
  };
  EXPECT_TRUE(updated(std::nextafter(0.75, 0.0)));
  EXPECT_FALSE(updated(0.75));
}

TEST(SpeechActivityDecision, MinimumOfBlocksAfterFrame128CoversAllSixteenBlocks) {
  SpeechActivityDetector d;
  d.reset();
  Probe::bgEnergy(d) = 25.0;
  // Block b (frames 8b+1 .. 8b+8) at 30 + b dB, with one low frame, 22 dB,
  // at frame 20: the minimum is found in block 2, far from the last block.
  for (std::int32_t f = 1; f <= 128; ++f) {
    const double db = (f == 20) ? 22.0 : 30.0 + (f - 1) / 8;
    CraftedFrame(lag0ForExactEnergy(db)).decide(d, f, 0, 0);
    if (f == 8) {
      EXPECT_EQ(Probe::minOfBlocks(d), 0.0) << "unfilled blocks still hold 0";
    }
  }
  EXPECT_EQ(Probe::blockMin(d)[2], 22.0);
  EXPECT_EQ(Probe::blockMin(d)[15], 45.0);
  EXPECT_EQ(Probe::minOfBlocks(d), 22.0);
  CraftedFrame(lag0ForExactEnergy(50.0)).decide(d, 129, 0, 0);
  EXPECT_EQ(Probe::runningMin(d), 22.0) << "the running minimum restarts from all sixteen blocks";
  for (std::int32_t f = 130; f <= 136; ++f) {
    CraftedFrame(lag0ForExactEnergy(f == 133 ? 40.0 : 50.0)).decide(d, f, 0, 0);
  }
  EXPECT_EQ(Probe::blockMin(d)[1], 22.0) << "blocks slide by one at frame 136";
  EXPECT_EQ(Probe::blockMin(d)[15], 40.0);
}

TEST(SpeechActivityDecision, NoBackgroundUpdateForADistantSpectrum) {
  CraftedFrame frame(lag0ForExactEnergy(12.0));
  frame.rc1 = 0.5;
  SpeechActivityDetector d;
  d.reset();
  Probe::bgEnergy(d) = 11.0;
  Probe::runningMin(d) = 5.0;
  // bgLsf = 0: SD is far above the update limit.
  frame.decide(d, 100, 0, 0);
  EXPECT_EQ(Probe::updateCount(d), 0);
  EXPECT_EQ(Probe::bgEnergy(d), 11.0);
}

// The fourteen boundaries written out one by one, as an independent reading.
std::int32_t boundariesByHand(double dSLE, double dSE, double SD, double dSZC) {
  if (SD > 0.00175 * dSZC + 0.00085) return 1;
  if (SD > -0.004545455 * dSZC + 0.001159091) return 1;
  if (dSE < -25.0 * dSZC - 5.0) return 1;
  if (dSE < 20.0 * dSZC - 6.0) return 1;
  if (dSE < -4.7) return 1;
  if (dSE < 8800.0 * SD - 12.2) return 1;
  if (SD > 0.0009) return 1;
  if (dSE < 25.0 * dSZC - 7.0) return 1;
  if (dSE < -29.09091 * dSZC - 4.8182) return 1;
  if (dSE < -5.3) return 1;
  if (dSLE < 14000.0 * SD - 15.5) return 1;
  if (dSLE > 0.928571 * dSE + 1.14285) return 1;
  if (dSLE < -1.5 * dSE - 9.0) return 1;
  if (dSLE < 0.714285 * dSE - 2.1428571) return 1;
  return 0;
}

TEST(SpeechActivityDecision, RuleDecisionFollowsTheFourteenBoundaries) {
  EXPECT_EQ(Probe::ruleDecision(0.0, 0.0, 0.0, 0.0), 0) << "a frame like its background";
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> energy(-6.0, 6.0);
  std::uniform_real_distribution<double> distortion(0.0, 0.001);
  std::uniform_real_distribution<double> crossing(-0.1, 0.1);
  int speech = 0;
  const int trials = 200000;
  for (int i = 0; i < trials; ++i) {
    const double dSLE = energy(rng), dSE = energy(rng), SD = distortion(rng), dSZC = crossing(rng);
    const std::int32_t expected = boundariesByHand(dSLE, dSE, SD, dSZC);
    ASSERT_EQ(Probe::ruleDecision(dSLE, dSE, SD, dSZC), expected) << dSLE << " " << dSE << " " << SD << " " << dSZC;
    speech += expected;
  }
  EXPECT_GT(speech, trials / 20);
  EXPECT_LT(speech, trials - trials / 20);
  // Boundaries are strict: on the line itself a rule does not hold.
  EXPECT_EQ(Probe::ruleDecision(-3.0, -3.0, 0.0009, 0.0), 1) << "SD above rule 1's line at dSZC = 0";
  EXPECT_EQ(Probe::ruleDecision(-3.0, -3.0, 0.00085, 0.0), 0) << "SD on rule 1's line";
}

}  // namespace
}  // namespace orvelle
