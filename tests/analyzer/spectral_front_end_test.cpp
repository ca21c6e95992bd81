#include "analyzer/spectral_front_end.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "analyzer/mean_spectrum.h"

namespace orvelle {
namespace {

SpectralFrontEnd makeFrontEnd(std::int32_t exponent) {
  SpectralFrontEnd frontEnd;
  EXPECT_TRUE(frontEnd.setUp(exponent));
  frontEnd.setSampleRate(8000.0);
  frontEnd.setAnalysisWindow();
  return frontEnd;
}

std::int32_t reverseBits(std::int32_t value, std::int32_t bits) {
  std::int32_t reversed = 0;
  for (std::int32_t b = 0; b < bits; ++b) reversed |= ((value >> b) & 1) << (bits - 1 - b);
  return reversed;
}

TEST(SpectralFrontEndTables, BitReversalIsTheReversedIndex) {
  SpectralFrontEnd small = makeFrontEnd(3);
  const std::int32_t expected[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  for (std::int32_t i = 0; i < 8; ++i) EXPECT_EQ(small.bitReversal(i), expected[i]) << i;

  SpectralFrontEnd full = makeFrontEnd(10);
  ASSERT_EQ(full.frameLength(), 1024);
  ASSERT_EQ(full.halfLength(), 512);
  for (std::int32_t i = 0; i < 1024; ++i) ASSERT_EQ(full.bitReversal(i), reverseBits(i, 10)) << i;
  EXPECT_EQ(full.bitReversal(-1), 0);
  EXPECT_EQ(full.bitReversal(1024), 0);
}

TEST(SpectralFrontEndTables, WindowIsOneAtTheEndsAndLowInTheMiddle) {
  SpectralFrontEnd frontEnd = makeFrontEnd(10);
  EXPECT_DOUBLE_EQ(frontEnd.windowValue(0), 1.0);
  EXPECT_NEAR(frontEnd.windowValue(1023), 1.0, 1e-12);
  EXPECT_NEAR(frontEnd.windowValue(511), 0.080, 0.0005);
  EXPECT_NEAR(frontEnd.windowValue(512), 0.080, 0.0005);
  EXPECT_NEAR(frontEnd.windowValue(511), frontEnd.windowValue(512), 1e-9);  // symmetric up to the rounded pi
  EXPECT_EQ(frontEnd.windowValue(1024), 0.0);
}

TEST(SpectralFrontEndTables, RejectsSizesOutsideItsRangeAndRebuilds) {
  SpectralFrontEnd frontEnd;
  EXPECT_FALSE(frontEnd.setUp(0));
  EXPECT_EQ(frontEnd.frameLength(), 0);
  EXPECT_FALSE(frontEnd.setUp(SpectralFrontEnd::kMaxExponent + 1));
  EXPECT_TRUE(frontEnd.setUp(4));
  EXPECT_EQ(frontEnd.frameLength(), 16);
  EXPECT_TRUE(frontEnd.setUp(10));
  EXPECT_EQ(frontEnd.frameLength(), 1024);
  EXPECT_EQ(frontEnd.exponent(), 10);
  EXPECT_EQ(frontEnd.bitReversal(1), 512);
}

TEST(SpectralFrontEndTables, BinPositionMapsNyquistToTheLastKeptBin) {
  SpectralFrontEnd frontEnd = makeFrontEnd(10);
  EXPECT_DOUBLE_EQ(frontEnd.binPosition(4000.0), 511.0);
  EXPECT_NEAR(frontEnd.binPosition(200.0), 25.55, 1e-12);
  EXPECT_EQ(static_cast<std::int32_t>(frontEnd.binPosition(200.0)), 25);
  EXPECT_EQ(frontEnd.binPosition(0.0), 0.0);
}

// Power spectrum of the windowed frame by the textbook DFT, scaled by 2/N.
std::vector<double> naivePowerSpectrum(const std::vector<double>& windowed) {
  const std::size_t n = windowed.size();
  std::vector<double> power(n / 2 + 1);
  for (std::size_t k = 0; k <= n / 2; ++k) {
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double angle = -2.0 * std::numbers::pi * static_cast<double>(k * i % n) / static_cast<double>(n);
      sum += windowed[i] * std::complex<double>(std::cos(angle), std::sin(angle));
    }
    power[k] = std::norm(sum * (2.0 / static_cast<double>(n)));
  }
  return power;
}

class SpectralFrontEndTransform : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(SpectralFrontEndTransform, MatchesTheDiscreteFourierTransform) {
  const std::int32_t exponent = GetParam();
  SpectralFrontEnd frontEnd = makeFrontEnd(exponent);
  const std::size_t n = static_cast<std::size_t>(frontEnd.frameLength());

  std::mt19937 random(exponent);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<double> frame(n);
  for (double& value : frame) value = sample(random);

  frontEnd.applyWindow(frame.data());
  const std::vector<double> expected = naivePowerSpectrum(frame);
  frontEnd.transform(frame.data());
  std::vector<double> power(n / 2 + 1);
  frontEnd.powerSpectrum(frame.data(), power.data());

  double largest = 0.0;
  for (double value : expected) largest = std::max(largest, value);
  ASSERT_GT(largest, 0.0);
  // The tables use pi to ten digits, which bounds the agreement near 1e-10.
  for (std::size_t k = 0; k <= n / 2; ++k) EXPECT_NEAR(power[k], expected[k], 1e-8 * largest) << "bin " << k;
}

// The transform done the plain way: one rotation at a time across all
// blocks, reading the twiddles straight from cos(pi i / N) with the same
// rounded pi. The front end's faster loop order must give the same bits.
std::vector<double> plainTransform(const SpectralFrontEnd& frontEnd, std::vector<double> x) {
  const std::int32_t n = frontEnd.frameLength();
  std::vector<double> cosine(static_cast<std::size_t>(n / 2));
  for (std::int32_t i = 0; i < n / 2; ++i) cosine[i] = std::cos(3.1415926535 * i / n);
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t r = frontEnd.bitReversal(i);
    if (i < r) std::swap(x[i], x[r]);
  }
  for (std::int32_t stage = 1; stage <= frontEnd.exponent(); ++stage) {
    const std::int32_t span = 1 << stage, half = span / 2, quarter = span / 4;
    for (std::int32_t b = 0; b < n; b += span) {
      const double first = x[b], second = x[b + half];
      x[b] = first + second;
      x[b + half] = first - second;
    }
    if (stage < 3) continue;
    for (std::int32_t j = 1; j < quarter; ++j) {
      const double c = cosine[j * n / half], s = cosine[n / 2 - j * n / half];
      for (std::int32_t b = 0; b < n; b += span) {
        const double a = x[b + j], bb = x[b + half + j], cc = x[b + half - j], d = x[b + span - j];
        const double t1 = c * bb - s * d, t2 = c * d + s * bb;
        x[b + j] = a + t1;
        x[b + half - j] = a - t1;
        x[b + half + j] = t2 - cc;
        x[b + span - j] = t2 + cc;
      }
    }
  }
  for (double& value : x) value *= 1.0 / (n / 2);
  return x;
}

TEST_P(SpectralFrontEndTransform, GivesTheSameBitsAsThePlainStageByStageLoop) {
  SpectralFrontEnd frontEnd = makeFrontEnd(GetParam());
  std::mt19937 random(100 + GetParam());
  std::uniform_real_distribution<double> sample(-32768.0, 32767.0);
  std::vector<double> frame(static_cast<std::size_t>(frontEnd.frameLength()));
  for (double& value : frame) value = sample(random);
  const std::vector<double> expected = plainTransform(frontEnd, frame);
  frontEnd.transform(frame.data());
  for (std::size_t i = 0; i < frame.size(); ++i) {
    ASSERT_EQ(std::memcmp(&frame[i], &expected[i], sizeof(double)), 0) << i << ": " << frame[i] << " vs " << expected[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SpectralFrontEndTransform, ::testing::Values(1, 2, 3, 4, 5, 10));

TEST(SpectralFrontEndSpectrum, ZeroFrameGivesZeroSpectrum) {
  SpectralFrontEnd frontEnd = makeFrontEnd(10);
  std::vector<double> frame(1024, 0.0);
  std::vector<double> power(513, -1.0);
  frontEnd.applyWindow(frame.data());
  frontEnd.transform(frame.data());
  frontEnd.powerSpectrum(frame.data(), power.data());
  for (double value : power) EXPECT_EQ(value, 0.0);
}

TEST(SpectralFrontEndSpectrum, ConstantFrameConcentratesInTheLowestBins) {
  SpectralFrontEnd frontEnd = makeFrontEnd(10);
  constexpr double kLevel = 1000.0;
  std::vector<double> frame(1024, kLevel);
  double windowSum = 0.0;
  for (std::int32_t i = 0; i < 1024; ++i) windowSum += frontEnd.windowValue(i);
  const double windowMean = windowSum / 1024.0;
  EXPECT_NEAR(windowMean, 0.5404, 0.0001);

  std::vector<double> power(513);
  frontEnd.applyWindow(frame.data());
  frontEnd.transform(frame.data());
  frontEnd.powerSpectrum(frame.data(), power.data());

  const double dc = 2.0 * kLevel * windowMean;
  EXPECT_NEAR(power[0], dc * dc, 1e-6 * dc * dc);
  EXPECT_NEAR(power[1] / power[0], 0.18, 0.005);
  for (std::size_t k = 2; k < power.size(); ++k) EXPECT_LT(power[k], 1e-7 * power[0]) << "bin " << k;
}

TEST(MeanSpectrum, KeepsTheRunningMeanOfItsSpectra) {
  MeanSpectrum mean;
  mean.resize(4);
  EXPECT_EQ(mean.count(), 4);
  EXPECT_EQ(mean.frames(), 0);
  const double first[5] = {1.0, 2.0, 3.0, 4.0, 99.0};
  const double second[5] = {3.0, 2.0, 1.0, 0.0, 99.0};
  const double third[5] = {5.0, 5.0, 5.0, 5.0, 99.0};
  ASSERT_TRUE(mean.add(first));
  ASSERT_TRUE(mean.add(second));
  ASSERT_TRUE(mean.add(third));
  EXPECT_EQ(mean.frames(), 3);
  EXPECT_DOUBLE_EQ(mean.value(0), 3.0);
  EXPECT_DOUBLE_EQ(mean.value(1), 3.0);
  EXPECT_DOUBLE_EQ(mean.value(3), 3.0);
  EXPECT_EQ(mean.value(4), 0.0);  // the extra input value is never kept
  EXPECT_EQ(mean.value(-1), 0.0);

  mean.resize(2);
  EXPECT_EQ(mean.frames(), 0);
  EXPECT_EQ(mean.value(0), 0.0);
}

TEST(MeanSpectrum, RefusesMissingInputOrBins) {
  MeanSpectrum mean;
  const double power[2] = {1.0, 1.0};
  EXPECT_FALSE(mean.add(power));
  mean.resize(2);
  EXPECT_FALSE(mean.add(nullptr));
  EXPECT_EQ(mean.frames(), 0);
  mean.resize(-5);
  EXPECT_EQ(mean.count(), 0);
  EXPECT_FALSE(mean.add(power));
}

}  // namespace
}  // namespace orvelle
