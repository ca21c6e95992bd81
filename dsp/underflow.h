#pragma once

#include <bit>
#include <cstdint>

namespace orvelle {

// Exact shortcuts for the detector's pre-processed signal after long
// digital silence. There the high-pass filter's output decays towards zero
// through the subnormal numbers, and many processors handle every operation
// that reads or yields a subnormal number in microcode, a hundred cycles or
// more each. Each shortcut gives exactly the bits the plain arithmetic
// gives; it only avoids the slow operations.

// A double's bits without its sign: below 2^-1021 they count multiples of
// 2^-1074.
inline constexpr std::uint64_t kMagnitudeBits = 0x7FFF'FFFF'FFFF'FFFFu;

// The bits of the largest |v[i]| (0 for no values), found on the bits: no
// arithmetic is done on the values. Once some value's bits reach `enough`
// the search may stop: the result is then at least `enough`, but not always
// the largest.
std::uint64_t largestMagnitudeBits(const double* v, int count, std::uint64_t enough);

// The bits of 2^-538: below it, the product of any two values, below half
// the smallest subnormal number, rounds to zero.
inline constexpr std::uint64_t kSquareUnderflowBits = std::bit_cast<std::uint64_t>(0x1p-538);

// Whether the product of any two of v[0 .. count - 1] rounds to zero.
inline bool productsUnderflow(const double* v, int count) {
  return largestMagnitudeBits(v, count, kSquareUnderflowBits) < kSquareUnderflowBits;
}

// fl(fl(a1 * y1) - fl(a2 * y2)) for the bits of y1 and y2, both below
// 2^-1023, with a1 = a1Units * 2^-52 and a2 = a2Units * 2^-53: done in
// integers, as counts of 2^-1074.
double silentFilterDifference(std::uint64_t bits1, std::uint64_t bits2, std::uint64_t a1Units,
                              std::uint64_t a2Units);

// The pre-processing filter's step where the input and its history are
// zero, so that only fl(fl(a1 y1) - fl(a2 y2)) remains (a1 in [1, 2), a2 in
// [0.5, 1)). When |y1| and |y2| are below 2^-1023, and not both zero, every
// operand and result lies on the grid of the subnormal numbers and the step
// is done exactly in integers: true with y set. Otherwise false, and y
// untouched.
struct SilentFilterStep {
  std::uint64_t a1Units;  // a1 * 2^52
  std::uint64_t a2Units;  // a2 * 2^53

  bool operator()(double y1, double y2, double& y) const {
    constexpr std::uint64_t kSilentStateBits = std::bit_cast<std::uint64_t>(0x1p-1023);
    const auto bits1 = std::bit_cast<std::uint64_t>(y1);
    const auto bits2 = std::bit_cast<std::uint64_t>(y2);
    if ((bits1 & kMagnitudeBits) >= kSilentStateBits || (bits2 & kMagnitudeBits) >= kSilentStateBits) return false;
    // A memory that has decayed to zero gives zero, as fast the plain way.
    if (((bits1 | bits2) & kMagnitudeBits) == 0) return false;
    y = silentFilterDifference(bits1, bits2, a1Units, a2Units);
    return true;
  }
};

}  // namespace orvelle
