// Every path of the running mean's step against the divider, bit for bit,
// on the quotients that are hardest to round.
#include "analyzer/mean_step.h"
#include "tests/support/kernel_paths.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace orvelle {
namespace {

std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }

// Runs one step on every path the processor has and compares each bin with
// v + (p - v) / frames; NaNs need only be NaNs. Counts in productMisses the
// bins that the product with the rounded reciprocal alone would get wrong.
void expectEveryPathDivides(const std::vector<double>& values, const std::vector<double>& power, std::int32_t frames,
                            int& productMisses) {
  std::vector<double> expected = values;
  const double divisor = frames;
  const double reciprocal = 1.0 / divisor;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double d = power[i] - values[i];
    expected[i] = values[i] + d / divisor;
    if (d * reciprocal != d / divisor && !std::isnan(d)) ++productMisses;
  }
  for (const KernelPath path : availableKernelPaths()) {
    std::vector<double> stepped = values;
    addMeanStep(stepped.data(), power.data(), stepped.size(), frames, path);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (std::isnan(expected[i])) {
        EXPECT_TRUE(std::isnan(stepped[i])) << "path " << static_cast<int>(path) << " bin " << i;
      } else {
        ASSERT_EQ(bitsOf(stepped[i]), bitsOf(expected[i]))
            << "path " << static_cast<int>(path) << " bin " << i << ": " << values[i] << " + (" << power[i] << " - "
            << values[i] << ") / " << frames;
      }
    }
  }
}

std::int32_t randomCount(std::mt19937_64& random) {
  // Small counts, as a run starts with, and any count a run could reach.
  if (random() % 2 == 0) return static_cast<std::int32_t>(1 + random() % 2000);
  return static_cast<std::int32_t>(1 + random() % std::numeric_limits<std::int32_t>::max());
}

TEST(MeanStep, EveryPathGivesTheDividersQuotientsNearEveryRoundingBoundary) {
  // d / n placed next to the midpoint between two doubles: n times the
  // midpoint, rounded, then a few ulps either way, in binades all over the
  // range the fused paths take. Thirteen bins: the vectors and the tail.
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> mantissa(1.0, 2.0);
  int productMisses = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const std::int32_t frames = randomCount(random);
    const int binade = static_cast<int>(random() % 1800) - 880;
    std::vector<double> values(13, 0.0);
    std::vector<double> power(13);
    for (std::size_t i = 0; i < power.size(); ++i) {
      // n m in extended precision (m = q + ulp / 2 is exact there), then
      // rounded to the nearest double.
      const double q = std::ldexp(mantissa(random), binade);
      const long double midpoint = static_cast<long double>(q) + (std::nextafter(q, 2 * q) - q) / 2.0L;
      const double d = static_cast<double>(static_cast<long double>(frames) * midpoint);
      double nudged = d;
      for (int step = static_cast<int>(random() % 5); step > 0; --step) nudged = std::nextafter(nudged, 0.0);
      for (int step = static_cast<int>(random() % 3); step > 0; --step) nudged = std::nextafter(nudged, 2 * nudged);
      power[i] = random() % 2 == 0 ? nudged : -nudged;
    }
    expectEveryPathDivides(values, power, frames, productMisses);
    if (HasFatalFailure()) return;
  }
  // The reciprocal's product alone is wrong often enough here that the
  // correction is what the test checks.
  EXPECT_GT(productMisses, 1000);
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

TEST(MeanStep, EveryPathGivesTheDividersQuotientsForAnyDifference) {
  // Random means and powers across the whole range, and the values the
  // fused paths leave to the divider: zeros of either sign, the subnormal
  // numbers, the range's edges, infinities and NaNs, alone or among others.
  std::mt19937_64 random(12);
  std::uniform_real_distribution<double> mantissa(1.0, 2.0);
  const double special[] = {0.0,
                            -0.0,
                            std::numeric_limits<double>::denorm_min(),
                            -std::numeric_limits<double>::denorm_min(),
                            0x1p-1030,
                            0x1p-900,
                            std::nextafter(0x1p-900, 0.0),
                            0x1p1000,
                            std::nextafter(0x1p1000, 0.0),
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  for (int trial = 0; trial < 20000; ++trial) {
    const std::int32_t frames = randomCount(random);
    std::vector<double> values(21), power(21);
    const int binade = static_cast<int>(random() % 2000) - 1000;
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i] = std::ldexp(mantissa(random), binade + static_cast<int>(random() % 8));
      power[i] = std::ldexp(mantissa(random), binade + static_cast<int>(random() % 8));
      if (random() % 16 == 0) power[i] = values[i];  // a difference of +0
      if (random() % 16 == 0) power[i] = values[i] + special[random() % std::size(special)];
      if (random() % 32 == 0) values[i] = special[random() % std::size(special)];
    }
    int productMisses = 0;
    expectEveryPathDivides(values, power, frames, productMisses);
    if (HasFatalFailure()) return;
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

TEST(MeanStep, QuotientsAmongTheSubnormalNumbersTieAsTheDividersDo) {
  // Below the normal numbers the grid no longer shrinks with the quotient,
  // and d / n can fall exactly halfway between two neighbours: for an even
  // n, d = (n / 2) (2j + 1) 2^-1074 gives the midpoint (j + 1/2) 2^-1074.
  std::mt19937_64 random(14);
  for (int trial = 0; trial < 2000; ++trial) {
    const std::int32_t half = static_cast<std::int32_t>(1 + random() % 100000);
    std::vector<double> values(16, 0.0), power(16);
    for (double& p : power) {
      const auto odd = static_cast<double>(2 * (random() % 1000) + 1);
      p = static_cast<double>(half) * odd * std::numeric_limits<double>::denorm_min();
    }
    int productMisses = 0;
    expectEveryPathDivides(values, power, 2 * half, productMisses);
    if (HasFatalFailure()) return;
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

TEST(MeanStep, TheFirstStepsAndTheLargestCountsDivideExactly) {
  // frames 1 takes the power as it is; powers of two and the largest count
  // a run can reach.
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> value(0.0, 1e12);
  for (const std::int32_t frames : {1, 2, 3, 4, 1 << 20, (1 << 30) + 1, std::numeric_limits<std::int32_t>::max()}) {
    std::vector<double> values(64), power(64);
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i] = value(random);
      power[i] = value(random);
    }
    int productMisses = 0;
    expectEveryPathDivides(values, power, frames, productMisses);
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

}  // namespace
}  // namespace orvelle
