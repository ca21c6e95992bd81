#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvelle {

// Sums of squares of 16-bit samples taken in whole numbers. A square is at
// most 2^30 (a squared difference of two samples at most 2^32), so while the
// running total stays below 2^53 a sum in doubles, taken in sample order,
// never rounds: it is the whole-number sum, which may then be taken in any
// order and in integer arithmetic. Beyond that bound the sum in doubles
// rounds, and only the sample order gives its bits.

// The most squares whose sum in doubles is exact, whatever the samples.
inline constexpr std::size_t kExactSquareCount = std::size_t{1} << 23;

// x[0]^2 + x[1]^2 + ... as a sum of doubles in that order would give it.
inline double sumOfSquares(std::span<const std::int16_t> samples) {
  const std::int16_t* x = samples.data();
  const std::size_t count = samples.size();
  if (count > kExactSquareCount) {
    double sum = 0.0;
    for (std::size_t n = 0; n < count; ++n) sum += static_cast<double>(x[n]) * x[n];
    return sum;
  }
  std::uint64_t sum = 0;
  std::size_t n = 0;
#if defined(__SSE2__)
  // Eight samples a step: each 32-bit lane takes the sum of two squares, at
  // most 2^31, so it is read unsigned and widened before it is added.
  const __m128i zero = _mm_setzero_si128();
  __m128i low = zero;
  __m128i high = zero;
  for (; n + 8 <= count; n += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + n));
    const __m128i pairs = _mm_madd_epi16(v, v);
    low = _mm_add_epi64(low, _mm_unpacklo_epi32(pairs, zero));
    high = _mm_add_epi64(high, _mm_unpackhi_epi32(pairs, zero));
  }
  std::uint64_t lanes[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), low);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + 2), high);
  sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
  for (; n < count; ++n) sum += static_cast<std::uint64_t>(std::int32_t{x[n]} * x[n]);
  return static_cast<double>(sum);
}

// One frame's energies: of x, of y and of their difference x - y.
struct FrameEnergies {
  double first = 0.0;
  double second = 0.0;
  double difference = 0.0;
};

// The three sums of a frame of at most 2^21 samples (2^21 differences of
// 2^32 stay below 2^53), each equal to its sum in doubles in sample order.
inline FrameEnergies frameEnergies(const std::int16_t* x, const std::int16_t* y, std::size_t count) {
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

}  // namespace orvelle
