#include "analyzer/mean_step.h"

#include <cstring>

#include "dsp/cpu_features.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace orvelle {

namespace {

// values[i] += (power[i] - values[i]) / frames, several bins to a vector;
// each bin's arithmetic is the scalar one. Returns how many bins it updated
// (a multiple of the vector width). Always inlined, so that each caller
// below compiles it for its own instruction set.
template <typename Vector>
__attribute__((always_inline)) inline std::size_t updateLanes(double* values, const double* power, std::size_t n,
                                                              double frames) {
  constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);
  const Vector divisor = Vector{} + frames;
  std::size_t i = 0;
  for (; i + kWidth <= n; i += kWidth) {
    Vector v, p;
    std::memcpy(&v, values + i, sizeof v);
    std::memcpy(&p, power + i, sizeof p);
    v = v + (p - v) / divisor;
    std::memcpy(values + i, &v, sizeof v);
  }
  return i;
}

using LanePair = double __attribute__((vector_size(2 * sizeof(double))));

std::size_t updatePairs(double* values, const double* power, std::size_t n, double frames) {
  return updateLanes<LanePair>(values, power, n, frames);
}

using UpdateEntry = std::size_t (*)(double*, const double*, std::size_t, double);

#if defined(__x86_64__)
using LaneQuad = double __attribute__((vector_size(4 * sizeof(double))));

// Four bins a division where the processor has AVX2 but no FMA.
__attribute__((target("avx2"))) std::size_t updateQuads(double* values, const double* power, std::size_t n,
                                                        double frames) {
  return updateLanes<LaneQuad>(values, power, n, frames);
}

// The divider bounds the loops above. With fused multiply-adds the same
// quotient d / n (d = p - v, n = frames, a whole number below 2^31) takes
// three operations:
//   y = RN(1/n), once;  q0 = RN(d y);  r = d - n q0;  q = RN(q0 + r y).
// Why q is RN(d / n), for d and d / n clear of the subnormal numbers and of
// overflow (E the exponent of d / n, so ulp(d / n) = 2^(E-52)):
// - q0 is within 2 ulp of d / n: two roundings of relative error 2^-53.
// - r is exact in one fused operation: q0 is at most d in magnitude, so d
//   and n q0 are whole multiples of q0's ulp, and |r| < 4n of them, well
//   within 53 bits.
// - q0 + r y = d / n + (d / n - q0)(n y - 1), within 2 ulp * 2^-53 =
//   2^(E-104) of d / n, since |n y - 1| <= 2^-53.
// - Rounding changes only at the midpoints between doubles. d and n m, for
//   a midpoint m of d / n's binade, are whole multiples of 2^(E-53), so d / n
//   lies 2^(E-53) / n > 2^(E-84) from m or on it; and on it never, since n m
//   has an odd part of 54 bits or more and d only 53. So d / n + delta
//   rounds as d / n does.
// Differences outside [kLeastFusedDifference, kBeyondFusedDifference), and
// zeros, infinities and NaNs, which fail those comparisons, take the
// divider, a vector at a time.
constexpr double kLeastFusedDifference = 0x1p-900;
constexpr double kBeyondFusedDifference = 0x1p1000;

__attribute__((target("avx2,fma"))) std::size_t updateQuadsFused(double* values, const double* power, std::size_t n,
                                                                 double frames) {
  const __m256d count = _mm256_set1_pd(frames);
  const __m256d reciprocal = _mm256_set1_pd(1.0 / frames);
  const __m256d magnitudeBits = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffff));
  const __m256d least = _mm256_set1_pd(kLeastFusedDifference);
  const __m256d beyond = _mm256_set1_pd(kBeyondFusedDifference);
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m256d v = _mm256_loadu_pd(values + i);
    const __m256d d = _mm256_sub_pd(_mm256_loadu_pd(power + i), v);
    const __m256d magnitude = _mm256_and_pd(d, magnitudeBits);
    const __m256d clear =
        _mm256_and_pd(_mm256_cmp_pd(magnitude, least, _CMP_GE_OQ), _mm256_cmp_pd(magnitude, beyond, _CMP_LT_OQ));
    __m256d q;
    if (_mm256_movemask_pd(clear) == 0xF) {
      const __m256d q0 = _mm256_mul_pd(d, reciprocal);
      const __m256d r = _mm256_fnmadd_pd(q0, count, d);
      q = _mm256_fmadd_pd(r, reciprocal, q0);
    } else {
      q = _mm256_div_pd(d, count);
    }
    _mm256_storeu_pd(values + i, _mm256_add_pd(v, q));
  }
  return i;
}

#endif

UpdateEntry updateFor(MeanStepPath path) {
  switch (path) {
#if defined(__x86_64__)
    case MeanStepPath::avx2:
      return updateQuads;
    case MeanStepPath::avx2Fma:
      return updateQuadsFused;
#endif
    default:
      return updatePairs;
  }
}

}  // namespace

MeanStepPath fastestMeanStepPath() {
  static const MeanStepPath path = processorRuns(MeanStepPath::avx2Fma) ? MeanStepPath::avx2Fma
                                   : processorRuns(MeanStepPath::avx2)    ? MeanStepPath::avx2
                                                                          : MeanStepPath::pairs;
  return path;
}

bool processorRuns(MeanStepPath path) {
  switch (path) {
    case MeanStepPath::pairs:
      return true;
    case MeanStepPath::avx2:
      return processorHasAvx2();
    case MeanStepPath::avx2Fma:
      return processorHasAvx2() && processorHasFma();
  }
  return false;
}

void addMeanStep(double* values, const double* power, std::size_t count, std::int32_t frames, MeanStepPath path) {
  const double divisor = frames;
  std::size_t i = updateFor(path)(values, power, count, divisor);
  i += updatePairs(values + i, power + i, count - i, divisor);
  for (; i < count; ++i) values[i] += (power[i] - values[i]) / divisor;
}

}  // namespace orvelle
