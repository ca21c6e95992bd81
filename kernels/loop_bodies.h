// The bodies of the simple loop kernels, in GCC vectors of a width each
// translation unit picks for its instruction set. Every lane does the plain
// loop's operations on its own item, so the width changes how many items
// run side by side, never a bit of any. Internal linkage: the copies built
// for different instruction sets never stand in for each other.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace orvelle {
namespace {

// Vec<Element, W>: W elements a vector. Spelled out for each width, since
// GCC drops a vector size that depends on a template parameter.
template <typename Element, int W>
struct VectorOf;
#define ORVELLE_VECTOR_OF(Element, W) \
  template <>                         \
  struct VectorOf<Element, W> {       \
    using Type = Element __attribute__((vector_size(W * sizeof(Element)))); \
  };
#define ORVELLE_VECTORS_OF(Element) ORVELLE_VECTOR_OF(Element, 2) ORVELLE_VECTOR_OF(Element, 4) ORVELLE_VECTOR_OF(Element, 8)
ORVELLE_VECTORS_OF(double)
ORVELLE_VECTORS_OF(std::int16_t)
ORVELLE_VECTORS_OF(std::int32_t)
ORVELLE_VECTORS_OF(std::int64_t)
ORVELLE_VECTORS_OF(std::uint64_t)
#undef ORVELLE_VECTORS_OF
#undef ORVELLE_VECTOR_OF
template <typename Element, int W>
using Vec = typename VectorOf<Element, W>::Type;

// Vectors go between functions through references only, so none is passed
// by value where instruction sets might differ.
template <typename Vector, typename T>
void loadVector(Vector& v, const T* from) {
  std::memcpy(&v, from, sizeof v);
}

template <typename T, typename Vector>
void storeVector(T* to, const Vector& v) {
  std::memcpy(to, &v, sizeof v);
}

// values[i] += (power[i] - values[i]) / frames, W bins a division.
template <int W>
std::size_t meanStepLanes(double* values, const double* power, std::size_t count, double frames) {
  using Doubles = Vec<double, W>;
  const Doubles divisor = Doubles{} + frames;
  std::size_t i = 0;
  for (; i + W <= count; i += W) {
    Doubles v, p;
    loadVector(v, values + i);
    loadVector(p, power + i);
    v = v + (p - v) / divisor;
    storeVector(values + i, v);
  }
  return i;
}

// The sum of squares in whole numbers: a square is at most 2^30, so it fits
// a 32-bit lane and is widened before it is added.
template <int W>
std::size_t squareSumLanes(const std::int16_t* x, std::size_t count, std::uint64_t& sum) {
  using Samples = Vec<std::int16_t, W>;
  using Wide = Vec<std::int32_t, W>;
  using Long = Vec<std::uint64_t, W>;
  Long total{};
  std::size_t n = 0;
  for (; n + W <= count; n += W) {
    Samples xs;
    loadVector(xs, x + n);
    const Wide v = __builtin_convertvector(xs, Wide);
    total += __builtin_convertvector(v * v, Long);
  }
  sum = 0;
  for (int l = 0; l < W; ++l) sum += total[l];
  return n;
}

#if defined(__x86_64__)
// The same eight samples a step with the multiply-add of pairs every x86-64
// processor has, which GCC vectors cannot spell: each 32-bit lane takes the
// sum of two squares, at most 2^31, so it is read unsigned and widened
// before it is added.
inline std::size_t squareSumPairs(const std::int16_t* x, std::size_t count, std::uint64_t& sum) {
  const __m128i zero = _mm_setzero_si128();
  __m128i low = zero;
  __m128i high = zero;
  std::size_t n = 0;
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
  return n;
}
#endif

// to[i] = from[i], W at a time: the conversions then take whole registers.
template <int W>
std::size_t convertSampleLanes(const std::int16_t* from, double* to, std::size_t count) {
  using Samples = Vec<std::int16_t, W>;
  using Wide = Vec<std::int32_t, W>;
  using Doubles = Vec<double, W>;
  std::size_t i = 0;
  for (; i + W <= count; i += W) {
    Samples samples;
    loadVector(samples, from + i);
    storeVector(to + i, __builtin_convertvector(__builtin_convertvector(samples, Wide), Doubles));
  }
  return i;
}

// a[k] = conj(a[k]) * b[k], two bins a quad. The plain code takes it as
// (ar br - (-ai) bi) + i (ar bi + (-ai) br); negating is exact and x - (-y)
// is x + y, so with the products p = (ar br, ai bi) and q = (ar bi,
// -(ai br)) the real part is p0 + p1 and the imaginary part q0 + q1: the
// same operations on the same operands.
inline std::size_t conjugateProductQuads(double* a, const double* b, std::size_t bins) {
  using Quad = Vec<double, 4>;
  std::size_t k = 0;
  for (; k + 2 <= bins; k += 2) {
    Quad va, vb;
    loadVector(va, a + 2 * k);
    loadVector(vb, b + 2 * k);
    const Quad p = va * vb;
    const Quad crossed = va * __builtin_shufflevector(vb, vb, 1, 0, 3, 2);
    const Quad negated = -crossed;
    const Quad q = __builtin_shufflevector(crossed, negated, 0, 5, 2, 7);
    storeVector(a + 2 * k, __builtin_shufflevector(p, q, 0, 4, 2, 6) + __builtin_shufflevector(p, q, 1, 5, 3, 7));
  }
  return k;
}

// The largest magnitude bits, W values a step; below 2^63, they order as
// signed numbers.
template <int W>
std::uint64_t largestMagnitudeLanes(const double* v, int count) {
  using Bits = Vec<std::int64_t, W>;
  const Bits magnitude = Bits{} + std::int64_t{0x7FFF'FFFF'FFFF'FFFF};
  Bits largest{};
  int i = 0;
  for (; i + W <= count; i += W) {
    Bits bits;
    loadVector(bits, v + i);
    bits &= magnitude;
    largest = bits > largest ? bits : largest;
  }
  std::int64_t result = 0;
  for (int l = 0; l < W; ++l) result = largest[l] > result ? largest[l] : result;
  for (; i < count; ++i) {
    const std::int64_t bits = std::bit_cast<std::int64_t>(v[i]) & magnitude[0];
    result = bits > result ? bits : result;
  }
  return static_cast<std::uint64_t>(result);
}

// output[j] = sum over k < taps of c[k] * newest[j - k], eight vectors of
// outputs per pass, written out as separate variables: the optimiser keeps
// them in registers only then, and eight independent sums keep both adders
// busy through each add's latency. Every lane adds its products in the
// order of the taps.
template <int W>
std::int32_t convolveLanes(const double* c, std::int32_t taps, const double* newest, double* output,
                           std::int32_t count) {
  using Vector = Vec<double, W>;
  constexpr std::int32_t kStride = 8 * W;
  std::int32_t j = 0;
  for (; j + kStride <= count; j += kStride) {
    Vector sum0 = {}, sum1 = {}, sum2 = {}, sum3 = {};
    Vector sum4 = {}, sum5 = {}, sum6 = {}, sum7 = {};
    const double* lane0 = newest + j;
    for (std::int32_t k = 0; k < taps; ++k) {
      const double ck = c[k];
      const double* x = lane0 - k;
      Vector x0, x1, x2, x3, x4, x5, x6, x7;
      loadVector(x0, x);
      loadVector(x1, x + W);
      loadVector(x2, x + 2 * W);
      loadVector(x3, x + 3 * W);
      loadVector(x4, x + 4 * W);
      loadVector(x5, x + 5 * W);
      loadVector(x6, x + 6 * W);
      loadVector(x7, x + 7 * W);
      sum0 += x0 * ck;
      sum1 += x1 * ck;
      sum2 += x2 * ck;
      sum3 += x3 * ck;
      sum4 += x4 * ck;
      sum5 += x5 * ck;
      sum6 += x6 * ck;
      sum7 += x7 * ck;
    }
    storeVector(output + j, sum0);
    storeVector(output + j + W, sum1);
    storeVector(output + j + 2 * W, sum2);
    storeVector(output + j + 3 * W, sum3);
    storeVector(output + j + 4 * W, sum4);
    storeVector(output + j + 5 * W, sum5);
    storeVector(output + j + 6 * W, sum6);
    storeVector(output + j + 7 * W, sum7);
  }
  return j;
}

}  // namespace
}  // namespace orvelle
