// Sums of squares in whole numbers against the sums in doubles, in sample
// order, that they stand for.
#include "analyzer/sample_sums.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace orvelle {
namespace {

double plainSumOfSquares(const std::vector<std::int16_t>& x) {
  double sum = 0.0;
  for (const std::int16_t s : x) sum += static_cast<double>(s) * s;
  return sum;
}

std::vector<std::int16_t> randomSamples(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<std::int16_t> x(count);
  for (std::int16_t& s : x) s = static_cast<std::int16_t>(sample(random));
  return x;
}

TEST(SampleSums, SumOfSquaresHasTheBitsOfThePlainSum) {
  // Every length around the vector width, random samples and the extremes:
  // two squares of -32768 fill a 32-bit lane to 2^31.
  for (std::size_t count = 0; count < 40; ++count) {
    for (const std::int16_t fill : {std::int16_t{-32768}, std::int16_t{32767}, std::int16_t{-1}}) {
      const std::vector<std::int16_t> x(count, fill);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(sumOfSquares(x)), std::bit_cast<std::uint64_t>(plainSumOfSquares(x)));
    }
    const std::vector<std::int16_t> x = randomSamples(count, static_cast<std::uint32_t>(count));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(sumOfSquares(x)), std::bit_cast<std::uint64_t>(plainSumOfSquares(x)));
  }
  // The longest whole-number sum, at its largest (2^53), and one sample more,
  // where the sum in doubles starts to round (32767^2 is odd).
  std::vector<std::int16_t> longest(kExactSquareCount, -32768);
  EXPECT_EQ(sumOfSquares(longest), 9007199254740992.0);
  std::vector<std::int16_t> rounding(kExactSquareCount + 3, 32767);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(sumOfSquares(rounding)),
            std::bit_cast<std::uint64_t>(plainSumOfSquares(rounding)));
}

TEST(SampleSums, FrameEnergiesHaveTheBitsOfThePlainSums) {
  auto check = [](const std::vector<std::int16_t>& x, const std::vector<std::int16_t>& y) {
    double first = 0.0, second = 0.0, difference = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
      const double a = x[n];
      const double b = y[n];
      first += a * a;
      second += b * b;
      difference += (a - b) * (a - b);
    }
    const FrameEnergies sums = frameEnergies(x.data(), y.data(), x.size());
    EXPECT_EQ(sums.first, first);
    EXPECT_EQ(sums.second, second);
    EXPECT_EQ(sums.difference, difference);
  };
  // A frame's 80 samples, and lengths that leave every remainder of the
  // vector width.
  for (std::uint32_t seed = 0; seed < 50; ++seed) {
    const std::size_t count = seed < 40 ? 80 : seed - 40;
    check(randomSamples(count, seed), randomSamples(count, seed + 100));
  }
  // The widest difference, 65535, in every sample.
  check(std::vector<std::int16_t>(80, -32768), std::vector<std::int16_t>(80, 32767));
}

}  // namespace
}  // namespace orvelle
