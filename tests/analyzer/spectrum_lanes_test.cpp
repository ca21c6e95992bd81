// The lane kernels must give every frame the very bits of the one-frame
// steps: random frames (full-scale noise, quiet noise, extremes) through every
// path, four or eight lanes wide, compared bit for bit; and gated
// accumulations of one signal and of two sharing the lanes, on every path and
// for every size of the last, partial lane set, compared with the plain
// frame-by-frame mean.
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
#include "tests/support/kernel_paths.h"

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

// The signal holds kMostSpectrumLanes frames back to back; every path takes
// them all, a lane set at a time, and must give each frame the spectrum the
// one-frame steps give it.
void expectPathsAgree(const SpectralFrontEnd& frontEnd, const std::vector<std::int16_t>& signal) {
  const std::int32_t n = frontEnd.frameLength();
  ASSERT_EQ(signal.size(), static_cast<std::size_t>(kMostSpectrumLanes * n));
  FrameWorkArea work;
  const std::int16_t* frames[kMostSpectrumLanes];
  std::vector<std::vector<double>> expected(kMostSpectrumLanes, std::vector<double>(n / 2 + 1));
  std::vector<std::vector<double>> actual(kMostSpectrumLanes, std::vector<double>(n / 2 + 1));
  double* actualOut[kMostSpectrumLanes];
  for (int l = 0; l < kMostSpectrumLanes; ++l) {
    frames[l] = signal.data() + l * n;
    actualOut[l] = actual[l].data();
    frontEnd.windowSamples(frames[l], work.frame.data());
    frontEnd.transform(work.frame.data());
    frontEnd.powerSpectrum(work.frame.data(), expected[l].data());
  }
  for (KernelPath path : availableKernelPaths()) {
    for (auto& spectrum : actual) spectrum.assign(spectrum.size(), -1.0);
    for (int first = 0; first < kMostSpectrumLanes; first += laneCount(path)) {
      laneSpectra(frontEnd, path, frames + first, actualOut + first, work);
    }
    for (int l = 0; l < kMostSpectrumLanes; ++l) {
      for (std::int32_t k = 0; k <= n / 2; ++k) {
        ASSERT_TRUE(sameBits(actual[l][k], expected[l][k]))
            << "path " << static_cast<int>(path) << " lane " << l << " bin " << k << ": " << actual[l][k]
            << " instead of " << expected[l][k];
      }
    }
  }
}

TEST(SpectrumLanes, EachPathTakesItsLaneCount) {
  EXPECT_EQ(laneCount(KernelPath::reference), 4);
  EXPECT_EQ(laneCount(KernelPath::baseline), 4);
  EXPECT_EQ(laneCount(KernelPath::avx2), 4);
  EXPECT_EQ(laneCount(KernelPath::avx512), 8);
}

TEST(SpectrumLanes, EveryPathGivesEachFrameTheBitsOfTheOneFrameSteps) {
  const SpectralFrontEnd frontEnd = analysisFrontEnd();
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const int amplitude = seed % 3 == 0 ? 32767 : (seed % 3 == 1 ? 40 : 3000);
    expectPathsAgree(frontEnd, randomSamples(kMostSpectrumLanes * kAnalysisFrameLength, amplitude, seed));
  }
  std::vector<std::int16_t> extremes(kMostSpectrumLanes * kAnalysisFrameLength);
  for (std::size_t i = 0; i < extremes.size(); ++i) extremes[i] = (i / 3) % 2 == 0 ? -32768 : 32767;
  expectPathsAgree(frontEnd, extremes);
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

TEST(SpectrumLanes, SmallerFrontEndsAgreeToo) {
  // Below four stages one frame at a time; from there odd and even stage
  // counts, and more or fewer bins than a lane set takes at once.
  for (std::int32_t exponent = 1; exponent < kAnalysisExponent; ++exponent) {
    const SpectralFrontEnd frontEnd = analysisFrontEnd(exponent);
    expectPathsAgree(frontEnd, randomSamples(kMostSpectrumLanes << exponent, 20000, 100u + exponent));
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

// The mean of the gated frames' spectra, each taken alone by the one-frame
// steps and added in signal order.
MeanSpectrum plainMean(const SpectralFrontEnd& frontEnd, const std::vector<std::int16_t>& signal,
                       const std::vector<std::int16_t>& gate) {
  MeanSpectrum mean;
  mean.resize(kMeanSpectrumBins);
  std::vector<double> frame(kAnalysisFrameLength);
  std::array<double, kAnalysisFrameLength / 2 + 1> power{};
  for (std::int32_t k = 0; k < spectralFrameCount(static_cast<std::int32_t>(signal.size())); ++k) {
    if (gate[2 * k] == 0 && gate[2 * k + 1] == 0) continue;
    frontEnd.windowSamples(signal.data() + kAnalysisHopLength * k, frame.data());
    frontEnd.transform(frame.data());
    frontEnd.powerSpectrum(frame.data(), power.data());
    mean.add(power.data());
  }
  return mean;
}

void expectSameMean(const MeanSpectrum& actual, const MeanSpectrum& expected, const char* what) {
  ASSERT_EQ(actual.frames(), expected.frames()) << what;
  for (std::int32_t bin = 0; bin < kMeanSpectrumBins; ++bin) {
    ASSERT_TRUE(sameBits(actual.value(bin), expected.value(bin))) << what << " bin " << bin;
  }
}

// Accumulates the signals alone and sharing the lanes on every path and
// compares each mean with the plain one. Returns the gated frame count.
std::int32_t expectAccumulationsAgree(const SpectralFrontEnd& frontEnd, const std::vector<std::int16_t>& source,
                                      const std::vector<std::int16_t>& processed,
                                      const std::vector<std::int16_t>& gate) {
  const auto length = static_cast<std::int32_t>(source.size());
  const MeanSpectrum sourcePlain = plainMean(frontEnd, source, gate);
  const MeanSpectrum processedPlain = plainMean(frontEnd, processed, gate);
  FrameWorkArea work;
  for (KernelPath path : availableKernelPaths()) {
    SCOPED_TRACE(testing::Message() << "path " << static_cast<int>(path) << ", " << length << " samples");
    MeanSpectrum sourceAlone, sourceShared, processedShared;
    for (MeanSpectrum* mean : {&sourceAlone, &sourceShared, &processedShared}) mean->resize(kMeanSpectrumBins);
    EXPECT_EQ(accumulateSpectrum(frontEnd, source.data(), length, gate.data(), sourceAlone, work, path),
              sourcePlain.frames());
    accumulateSpectra(frontEnd, source.data(), processed.data(), length, gate.data(), sourceShared, processedShared,
                      work, path);
    expectSameMean(sourceAlone, sourcePlain, "source alone");
    expectSameMean(sourceShared, sourcePlain, "source sharing the lanes");
    expectSameMean(processedShared, processedPlain, "processed sharing the lanes");
  }
  return sourcePlain.frames();
}

std::int32_t lengthOfFrames(std::int32_t frames) { return kAnalysisFrameLength + kAnalysisHopLength * (frames - 1) + 1; }

TEST(SpectrumLanes, AccumulationsGiveThePlainMeansWhateverTheLastLaneSetHolds) {
  const SpectralFrontEnd frontEnd = analysisFrontEnd();
  // Every frame gated: 1 to 17 frames leave every remainder of four and
  // eight lanes, alone and with two signals sharing them.
  for (std::int32_t frames = 1; frames <= 2 * kMostSpectrumLanes + 1; ++frames) {
    const std::int32_t length = lengthOfFrames(frames);
    ASSERT_EQ(spectralFrameCount(length), frames);
    const std::vector<std::int16_t> source = test::speechLikeSignal(static_cast<std::size_t>(length));
    const std::vector<std::int16_t> processed = randomSamples(static_cast<std::size_t>(length), 5000, 7u + frames);
    const std::vector<std::int16_t> gate(activityFlagCount(length), 1);
    ASSERT_EQ(expectAccumulationsAgree(frontEnd, source, processed, gate), frames);
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

TEST(SpectrumLanes, GatedFramesShareTheLanesInSignalOrder) {
  const SpectralFrontEnd frontEnd = analysisFrontEnd();
  const std::int32_t length = lengthOfFrames(38) + 10;
  const std::vector<std::int16_t> source = test::speechLikeSignal(static_cast<std::size_t>(length));
  const std::vector<std::int16_t> processed = randomSamples(static_cast<std::size_t>(length), 5000, 7);
  std::vector<std::int16_t> gate(activityFlagCount(length), 0);
  std::mt19937 random(3);
  for (auto& flag : gate) flag = static_cast<std::int16_t>(random() % 3 == 0);
  const std::int32_t gated = expectAccumulationsAgree(frontEnd, source, processed, gate);
  // Some frames skipped, and a partial last lane set on every path.
  ASSERT_GT(gated, kMostSpectrumLanes);
  ASSERT_LT(gated, 38);
  ASSERT_NE(gated % 4, 0);
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

}  // namespace
}  // namespace orvelle
