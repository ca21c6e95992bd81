// The lane kernels must give every frame the very bits of the one-frame
// steps: random frames (full-scale noise, quiet noise, extremes) through every
// path, compared bit for bit, and a gated accumulation of two signals
// compared with one signal at a time.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "analyzer/activity_flags.h"
#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"
#include "analyzer/spectrum_accumulator.h"
#include "analyzer/spectrum_lanes.h"
#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

SpectralFrontEnd analysisFrontEnd(std::int32_t exponent = kAnalysisExponent) {
  SpectralFrontEnd frontEnd;
  frontEnd.setUp(exponent);
  frontEnd.setSampleRate(kAnalysisSampleRateHz);
  frontEnd.setAnalysisWindow();
  return frontEnd;
}

std::vector<std::int16_t> randomSamples(std::size_t count, int amplitude, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(-amplitude, amplitude);
  std::vector<std::int16_t> samples(count);
  for (auto& s : samples) s = static_cast<std::int16_t>(value(random));
  return samples;
}

void expectPathsAgree(const SpectralFrontEnd& frontEnd, const std::vector<std::int16_t>& signal) {
  const std::int32_t n = frontEnd.frameLength();
  FrameWorkArea work;
  const std::int16_t* frames[kSpectrumLanes];
  for (int l = 0; l < kSpectrumLanes; ++l) frames[l] = signal.data() + l * n;
  std::vector<std::vector<double>> expected(kSpectrumLanes, std::vector<double>(n / 2 + 1));
  std::vector<std::vector<double>> actual(kSpectrumLanes, std::vector<double>(n / 2 + 1));
  double* expectedOut[kSpectrumLanes];
  double* actualOut[kSpectrumLanes];
  for (int l = 0; l < kSpectrumLanes; ++l) {
    expectedOut[l] = expected[l].data();
    actualOut[l] = actual[l].data();
  }
  laneSpectra(frontEnd, LanePath::oneByOne, frames, expectedOut, work);
  for (LanePath path : {LanePath::baseline, LanePath::avx2}) {
    laneSpectra(frontEnd, path, frames, actualOut, work);
    for (int l = 0; l < kSpectrumLanes; ++l) {
      for (std::int32_t k = 0; k <= n / 2; ++k) {
        ASSERT_TRUE(sameBits(actual[l][k], expected[l][k]))
            << "path " << static_cast<int>(path) << " lane " << l << " bin " << k << ": " << actual[l][k]
            << " instead of " << expected[l][k];
      }
    }
  }
}

TEST(SpectrumLanes, EveryPathGivesEachFrameTheBitsOfTheOneFrameSteps) {
  const SpectralFrontEnd frontEnd = analysisFrontEnd();
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const int amplitude = seed % 3 == 0 ? 32767 : (seed % 3 == 1 ? 40 : 3000);
    expectPathsAgree(frontEnd, randomSamples(kSpectrumLanes * kAnalysisFrameLength, amplitude, seed));
  }
  std::vector<std::int16_t> extremes(kSpectrumLanes * kAnalysisFrameLength);
  for (std::size_t i = 0; i < extremes.size(); ++i) extremes[i] = (i / 3) % 2 == 0 ? -32768 : 32767;
  expectPathsAgree(frontEnd, extremes);
}

TEST(SpectrumLanes, SmallerFrontEndsAgreeToo) {
  for (std::int32_t exponent : {1, 2, 3, 4, 7}) {
    const SpectralFrontEnd frontEnd = analysisFrontEnd(exponent);
    expectPathsAgree(frontEnd, randomSamples(kSpectrumLanes << exponent, 20000, 100u + exponent));
  }
}

TEST(SpectrumLanes, TwoSignalsSharingTheLanesGiveTheMeansOfOneAtATime) {
  const SpectralFrontEnd frontEnd = analysisFrontEnd();
  const std::int32_t length = 1024 + 160 * 37 + 11;  // 38 frames: leaves a partial lane set
  const std::vector<std::int16_t> source = test::speechLikeSignal(length);
  const std::vector<std::int16_t> processed = randomSamples(static_cast<std::size_t>(length), 5000, 7);
  std::vector<std::int16_t> gate(activityFlagCount(length), 0);
  std::mt19937 random(3);
  for (auto& flag : gate) flag = static_cast<std::int16_t>(random() % 3 == 0);

  FrameWorkArea work;
  MeanSpectrum sourceAlone, processedAlone, sourceShared, processedShared;
  for (MeanSpectrum* mean : {&sourceAlone, &processedAlone, &sourceShared, &processedShared}) {
    mean->resize(kMeanSpectrumBins);
  }
  const std::int32_t added = accumulateSpectrum(frontEnd, source.data(), length, gate.data(), sourceAlone, work);
  accumulateSpectrum(frontEnd, processed.data(), length, gate.data(), processedAlone, work);
  accumulateSpectra(frontEnd, source.data(), processed.data(), length, gate.data(), sourceShared, processedShared,
                    work);
  ASSERT_GT(added, kSpectrumLanes);
  ASSERT_NE(added % kSpectrumLanes, 0);
  EXPECT_EQ(sourceShared.frames(), added);
  EXPECT_EQ(processedShared.frames(), added);
  for (std::int32_t bin = 0; bin < kMeanSpectrumBins; ++bin) {
    ASSERT_TRUE(sameBits(sourceShared.value(bin), sourceAlone.value(bin))) << bin;
    ASSERT_TRUE(sameBits(processedShared.value(bin), processedAlone.value(bin))) << bin;
  }

  // And one at a time is the plain frame-by-frame mean.
  MeanSpectrum plain;
  plain.resize(kMeanSpectrumBins);
  std::array<double, kAnalysisFrameLength / 2 + 1> power{};
  for (std::int32_t k = 0; k < spectralFrameCount(length); ++k) {
    if (gate[2 * k] == 0 && gate[2 * k + 1] == 0) continue;
    frontEnd.windowSamples(source.data() + 160 * k, work.frame.data());
    frontEnd.transform(work.frame.data());
    frontEnd.powerSpectrum(work.frame.data(), power.data());
    plain.add(power.data());
  }
  for (std::int32_t bin = 0; bin < kMeanSpectrumBins; ++bin) {
    ASSERT_TRUE(sameBits(sourceAlone.value(bin), plain.value(bin))) << bin;
  }
}

}  // namespace
}  // namespace orvelle
