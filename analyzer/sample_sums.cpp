#include "analyzer/sample_sums.h"

#include "kernels/kernel_table.h"

namespace orvelle {

// x[0]^2 + x[1]^2 + ... as a sum of doubles in that order would give it.
double sumOfSquares(std::span<const std::int16_t> samples) {
  const std::int16_t* x = samples.data();
  const std::size_t count = samples.size();
  if (count > kExactSquareCount) {
    double sum = 0.0;
    for (std::size_t n = 0; n < count; ++n) sum += static_cast<double>(x[n]) * x[n];
    return sum;
  }
  std::uint64_t sum = 0;
  std::size_t n = 0;
  if (const auto kernel = kernels().sumOfSquares) n = kernel(x, count, sum);
  for (; n < count; ++n) sum += static_cast<std::uint64_t>(std::int32_t{x[n]} * x[n]);
  return static_cast<double>(sum);
}

namespace {

// The frame sums in whole numbers, a sample at a time.
FrameEnergies frameEnergiesPlain(const std::int16_t* x, const std::int16_t* y, std::size_t count) {
  std::int64_t first = 0;
  std::int64_t second = 0;
  std::int64_t difference = 0;
  for (std::size_t n = 0; n < count; ++n) {
    const std::int64_t a = x[n];
    const std::int64_t b = y[n];
    first += a * a;
    second += b * b;
    difference += (a - b) * (a - b);
  }
  return {static_cast<double>(first), static_cast<double>(second), static_cast<double>(difference)};
}

}  // namespace

FrameEnergies frameEnergies(const std::int16_t* x, const std::int16_t* y, std::size_t count) {
  // The kernels sum in doubles, the plain code in whole numbers: every
  // value is a whole number below 2^53, so both are exact, and so is their
  // total.
  double sums[3];
  if (const auto kernel = kernels().frameEnergies) {
    const std::size_t n = kernel(x, y, count, sums);
    const FrameEnergies rest = frameEnergiesPlain(x + n, y + n, count - n);
    return {sums[0] + rest.first, sums[1] + rest.second, sums[2] + rest.difference};
  }
  return frameEnergiesPlain(x, y, count);
}

}  // namespace orvelle
