#include "dsp/underflow.h"

#include "kernels/kernel_table.h"

namespace orvelle {

namespace {

constexpr std::uint64_t kSignBit = ~kMagnitudeBits;

__extension__ typedef unsigned __int128 Wide;

// round(units * factor / 2^shift) to the nearest integer, ties to even,
// for units below 2^51 and factor below 2^53.
std::uint64_t scaledUnits(std::uint64_t units, std::uint64_t factor, int shift) {
  const Wide product = static_cast<Wide>(units) * factor;
  auto quotient = static_cast<std::uint64_t>(product >> shift);
  const Wide remainder = product - (static_cast<Wide>(quotient) << shift);
  const Wide half = Wide{1} << (shift - 1);
  if (remainder > half || (remainder == half && (quotient & 1u) != 0)) ++quotient;
  return quotient;
}

// fl(factor * 2^-shift * v) in signed counts of 2^-1074, for the bits of a
// value v below 2^-1023 (whose magnitude bits are its count of 2^-1074):
// the product is then below 2^-1022, and rounds to the subnormal grid.
std::int64_t productUnits(std::uint64_t bits, std::uint64_t factor, int shift) {
  const auto units = static_cast<std::int64_t>(scaledUnits(bits & kMagnitudeBits, factor, shift));
  return (bits & kSignBit) != 0 ? -units : units;
}

}  // namespace

std::uint64_t largestMagnitudeBits(const double* v, int count, std::uint64_t enough) {
  // Asked of every window, and most windows hold speech: the first value
  // usually decides. The rest, quiet stretches mostly, are read whole.
  if (count <= 0) return 0;
  const std::uint64_t first = std::bit_cast<std::uint64_t>(v[0]) & kMagnitudeBits;
  if (first >= enough) return first;
  if (const auto kernel = kernels().largestMagnitudeBits) return kernel(v, count);
  std::uint64_t largest = first;
  for (int i = 1; i < count && largest < enough; ++i) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v[i]) & kMagnitudeBits;
    largest = bits > largest ? bits : largest;
  }
  return largest;
}

double silentFilterDifference(std::uint64_t bits1, std::uint64_t bits2, std::uint64_t a1Units, std::uint64_t a2Units) {
  // Both products are below 2^52 units and the difference below 2^53, so
  // it is exact, and its bits are its count of 2^-1074. A zero difference
  // is +0, as x - x is.
  const std::int64_t difference = productUnits(bits1, a1Units, 52) - productUnits(bits2, a2Units, 53);
  const auto magnitude = static_cast<std::uint64_t>(difference < 0 ? -difference : difference);
  return std::bit_cast<double>(difference < 0 ? magnitude | kSignBit : magnitude);
}

}  // namespace orvelle
