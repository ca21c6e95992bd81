#include "session/kaiser_band_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "session/synthesizer_noise.h"

namespace orvelle {
namespace {

constexpr double kRate = 8000.0;

// Magnitude of the filter's frequency response at `hz`.
double gainAt(const KaiserBandPass& filter, double hz) {
  std::complex<double> sum;
  const auto& c = filter.coefficients();
  for (std::size_t k = 0; k < c.size(); ++k) {
    sum += c[k] * std::polar(1.0, -2.0 * 3.141592653589793 * hz / kRate * static_cast<double>(k));
  }
  return std::abs(sum);
}

// The synthesiser's noise scaled as it is before filtering.
std::vector<double> noiseInput(std::size_t count) {
  SynthesizerNoise noise;
  std::vector<double> input(count);
  for (double& x : input) x = noise.next() * 1.5;
  return input;
}

TEST(BesselI0, MatchesKnownValues) {
  EXPECT_EQ(besselI0(0.0), 1.0);
  EXPECT_NEAR(besselI0(1.0), 1.2660658777520082, 1.2660658777520082 * 1e-6);
  EXPECT_NEAR(besselI0(5.0), 27.239871823604442, 27.239871823604442 * 1e-6);
  EXPECT_EQ(besselI0(-3.0), besselI0(3.0));
}

TEST(KaiserBandPassDesign, NarrowBandAt200HzHas473SymmetricTaps) {
  KaiserBandPass filter;
  // Band 200/60 Hz: half width 30, transition 7 on each side of its edges.
  ASSERT_EQ(filter.design(kRate, 163, 177, 223, 237, 20), 473);
  EXPECT_EQ(filter.halfLength(), 236);
  EXPECT_EQ(filter.tapCount(), 473);
  EXPECT_EQ(filter.shape(), 0.0);
  const auto& c = filter.coefficients();
  ASSERT_EQ(c.size(), 473u);
  for (std::size_t i = 0; i < c.size(); ++i) ASSERT_EQ(c[i], c[c.size() - 1 - i]) << "tap " << i;
  // Centre tap: twice the normalised bandwidth (230 - 170) / 8000.
  EXPECT_DOUBLE_EQ(c[236], 2.0 * (60.0 / 8000.0));
}

TEST(KaiserBandPassDesign, PassesItsBandAndStopsTheRest) {
  KaiserBandPass filter;
  ASSERT_EQ(filter.design(kRate, 163, 177, 223, 237, 20), 473);
  EXPECT_NEAR(gainAt(filter, 200.0), 1.0, 0.1);
  // 20 dB down is a gain of 0.1; a rectangular window only just reaches it.
  EXPECT_LT(gainAt(filter, 100.0), 0.12);
  EXPECT_LT(gainAt(filter, 1000.0), 0.12);
  EXPECT_LT(gainAt(filter, 0.0), 0.12);
}

TEST(KaiserBandPassDesign, LowestBandOfTheLongPlanStillDesigns) {
  KaiserBandPass filter;
  // Band 51/80 Hz: edges 1, 21, 81, 101 Hz; M = 12 / (29 · 20 / 8000) = 165.5.
  EXPECT_EQ(filter.design(kRate, 1, 21, 81, 101, 20), 331);
  EXPECT_EQ(filter.halfLength(), 165);
}

TEST(KaiserBandPassDesign, ShapeFollowsTheAttenuation) {
  KaiserBandPass filter;
  ASSERT_GT(filter.design(kRate, 100, 180, 300, 380, 60), 0);
  EXPECT_NEAR(filter.shape(), 0.1102 * (60 - 8.71), 1e-12);
  EXPECT_EQ(filter.halfLength(), 179);  // 52 / (29 · 0.01) = 179.3
  // A shaped window tapers the outer taps but leaves the centre alone.
  const auto& c = filter.coefficients();
  EXPECT_DOUBLE_EQ(c[179], 2.0 * (200.0 / 8000.0));
  ASSERT_GT(filter.design(kRate, 100, 180, 300, 380, 30), 0);
  EXPECT_NEAR(filter.shape(), 0.5842 * std::pow(9.0, 0.4) + 0.07886 * 9.0, 1e-12);
}

// Off-centre taps, computed here term by term: the ideal response with the
// five-digit 6.28318 and 3.14159, times a Kaiser window of shape
// 0.1102 · (A - 8.71) at the position (i - M) / M. Any other constant,
// window position or order of the products changes the last bits.
TEST(KaiserBandPassDesign, OuterTapsAreTheWindowedIdealResponse) {
  KaiserBandPass filter;
  ASSERT_EQ(filter.design(kRate, 100, 180, 300, 380, 60), 2 * 179 + 1);
  const std::int32_t m = 179;
  const double g1 = 100 / kRate, g2 = 180 / kRate, g3 = 300 / kRate, g4 = 380 / kRate;
  const double fl = (g1 + g2) / 2;
  const double fu = (g3 + g4) / 2;
  const double b = fu - fl;
  const double fc = (fl + fu) / 2;
  const double shape = 0.1102 * (60 - 8.71);
  const double peak = besselI0(shape);
  const auto& c = filter.coefficients();
  for (const std::int32_t i : {0, 1, 60, 150, 178}) {
    const double k = m - i;
    const double ideal = 2 * std::cos(6.28318 * fc * k) * std::sin(3.14159 * b * k) / (3.14159 * k);
    const double u = static_cast<double>(i - m) / m;
    const double window = besselI0(shape * std::sqrt(1 - u * u)) / peak;
    EXPECT_EQ(c[static_cast<std::size_t>(i)], ideal * window) << "tap " << i;
    EXPECT_EQ(c[static_cast<std::size_t>(2 * m - i)], ideal * window) << "tap " << 2 * m - i;
  }
}

struct RejectedDesign {
  double f1, f2, f3, f4, attenuation;
  std::int32_t code;
};

TEST(KaiserBandPassDesign, ReportsTheFirstFailedCheck) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const RejectedDesign cases[] = {
      {0, 20, 300, 320, 20, -18},          {4000, 4020, 4100, 4120, 20, -19},
      {100, 100, 300, 320, 20, -20},       {100, 4000, 4100, 4120, 20, -21},
      {100, 120, 120, 140, 20, -22},       {100, 120, 4000, 4020, 20, -23},
      {100, 120, 300, 300, 20, -24},       {100, 120, 3980, 4000, 20, -25},
      {100, 120, 300, 320, 5, -11},        {100, 120, 300, 320, nan, -11},
      {100, 120, 300, 320, 201, -12},      {100, 120, 300, 330, 20, -3},
      {100, 105, 300, 305, 20, -4},        // 1 325 taps
      {100, 100.000001, 300, 300.000001, 20, -4},  // far beyond any int
      {nan, 120, 300, 320, 20, -18},
  };
  for (const RejectedDesign& c : cases) {
    KaiserBandPass filter;
    EXPECT_EQ(filter.design(kRate, c.f1, c.f2, c.f3, c.f4, c.attenuation), c.code)
        << c.f1 << " " << c.f2 << " " << c.f3 << " " << c.f4 << " " << c.attenuation;
    EXPECT_EQ(filter.tapCount(), 0);
    EXPECT_TRUE(filter.coefficients().empty());
    EXPECT_EQ(filter.filterSample(1000.0), 0.0);
  }
}

TEST(KaiserBandPassDesign, OneTapFilterHasAFiniteCoefficient) {
  KaiserBandPass filter;
  // Wide transitions and low attenuation: M = 2 / (29 · 0.2) truncates to 0.
  ASSERT_EQ(filter.design(kRate, 100, 1700, 1800, 3400, 10), 1);
  ASSERT_EQ(filter.coefficients().size(), 1u);
  EXPECT_DOUBLE_EQ(filter.coefficients()[0], 2.0 * (1700.0 / 8000.0));
  EXPECT_DOUBLE_EQ(filter.filterSample(2.0), 4.0 * (1700.0 / 8000.0));
}

TEST(KaiserBandPassFilter, ImpulseResponseIsTheCoefficients) {
  KaiserBandPass filter;
  ASSERT_EQ(filter.design(kRate, 1, 21, 81, 101, 20), 331);
  const std::vector<double> c = filter.coefficients();
  EXPECT_EQ(filter.filterSample(1.0), c[0]);
  for (std::size_t k = 1; k < c.size(); ++k) ASSERT_EQ(filter.filterSample(0.0), c[k]) << k;
  EXPECT_EQ(filter.filterSample(0.0), 0.0);
}

TEST(KaiserBandPassFilter, RedesignEmptiesTheDelayLine) {
  KaiserBandPass filter;
  ASSERT_GT(filter.design(kRate, 163, 177, 223, 237, 20), 0);
  for (double x : noiseInput(600)) filter.filterSample(x);
  ASSERT_GT(filter.design(kRate, 163, 177, 223, 237, 20), 0);
  EXPECT_EQ(filter.filterSample(3.0), filter.coefficients()[0] * 3.0);
}

// The block path must give the one-sample path's outputs bit for bit, over
// block sizes that do and don't fill whole lanes and that wrap the history.
TEST(KaiserBandPassFilter, BlocksMatchSingleSamplesExactly) {
  const std::vector<double> input = noiseInput(12000);
  const std::int32_t blockSizes[] = {1, 7, 8, 9, 1023, 1024, 1025, 3000, 17, 2048};
  const double designs[][4] = {{163, 177, 223, 237}, {1, 21, 81, 101}, {2975, 3025, 3075, 3125}};
  for (const auto& edges : designs) {
    KaiserBandPass single;
    KaiserBandPass block;
    ASSERT_GT(single.design(kRate, edges[0], edges[1], edges[2], edges[3], 20), 0);
    ASSERT_GT(block.design(kRate, edges[0], edges[1], edges[2], edges[3], 20), 0);
    std::vector<double> expected(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) expected[i] = single.filterSample(input[i]);
    std::vector<double> actual(input.size());
    std::size_t at = 0;
    for (std::size_t b = 0; at < input.size(); ++b) {
      const auto count = std::min<std::size_t>(static_cast<std::size_t>(blockSizes[b % 10]), input.size() - at);
      block.filterBlock(input.data() + at, actual.data() + at, static_cast<std::int32_t>(count));
      at += count;
    }
    ASSERT_EQ(std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(double)), 0)
        << "taps " << block.tapCount();
    // Mixing the two paths keeps one delay line.
    EXPECT_EQ(block.filterSample(5.0), single.filterSample(5.0));
  }
}

// A filter started in the middle of a signal: primed with the inputs before
// the start, it must give the outputs of one that filtered them, bit for bit,
// whether the priming is shorter than the delay line, as long, or longer and
// wrapping the history.
TEST(KaiserBandPassFilter, FeedingPrimesLikeFiltering) {
  const std::vector<double> input = noiseInput(6000);
  KaiserBandPass whole;
  ASSERT_EQ(whole.design(kRate, 163, 177, 223, 237, 20), 473);
  std::vector<double> expected(input.size());
  whole.filterBlock(input.data(), expected.data(), static_cast<std::int32_t>(input.size()));
  for (const std::int32_t primed : {0, 1, 100, 472, 473, 2500, 5000}) {
    KaiserBandPass part;
    ASSERT_EQ(part.design(kRate, 163, 177, 223, 237, 20), 473);
    part.feed(input.data(), primed);
    const auto rest = static_cast<std::int32_t>(input.size()) - primed;
    std::vector<double> actual(static_cast<std::size_t>(rest));
    part.filterBlock(input.data() + primed, actual.data(), rest);
    EXPECT_EQ(std::memcmp(actual.data(), expected.data() + primed, actual.size() * sizeof(double)), 0)
        << "primed with " << primed;
  }
}

// Feeding an undesigned filter is harmless, like filtering with it.
TEST(KaiserBandPassFilter, FeedingWithoutADesignDoesNothing) {
  KaiserBandPass filter;
  const std::vector<double> input = noiseInput(10);
  filter.feed(input.data(), 10);
  EXPECT_EQ(filter.filterSample(1.0), 0.0);
}

}  // namespace
}  // namespace orvelle
