// The kernels built for AVX2 with FMA: four doubles a register, in GCC
// vectors but where those cannot spell an instruction or spell it slower
// (the fused multiply-add and sign-mask test of the mean step, the widening
// of 16-bit samples). This unit is built with -ffp-contract=off, so no
// product and sum is ever fused behind our back; the one fused multiply-add
// used, in the mean step, is written out where it is proven exact. Called
// only where the processor has AVX2 and FMA (see processorRuns).
#include "kernels/kernel_sets.h"
#include "kernels/loop_bodies.h"
#include "kernels/lpc_lanes_body.h"
#include "kernels/spectrum_lanes_body.h"

#include <immintrin.h>

namespace orvelle {

namespace {

using Quad = Vec<double, 4>;
using QuadMask = Vec<std::int64_t, 4>;

// The divider bounds the plain mean step. With fused multiply-adds the same
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


std::size_t meanStepFused(double* values, const double* power, std::size_t count, double frames) {
  const Quad divisor = Quad{} + frames;
  const Quad reciprocal = Quad{} + 1.0 / frames;
  const QuadMask magnitudeBits = QuadMask{} + std::int64_t{0x7FFF'FFFF'FFFF'FFFF};
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    Quad v, p;
    loadVector(v, values + i);
    loadVector(p, power + i);
    const Quad d = p - v;
    const Quad magnitude = std::bit_cast<Quad>(std::bit_cast<QuadMask>(d) & magnitudeBits);
    const QuadMask clear = (magnitude >= kLeastFusedDifference) & (magnitude < kBeyondFusedDifference);
    Quad q;
    // All four lanes clear, asked of the sign bits at once.
    if (__builtin_ia32_movmskpd256(std::bit_cast<Quad>(clear)) == 0xF) {
      const Quad q0 = d * reciprocal;
      // -q0 * n + d and r * y + q0, each rounded once.
      const Quad r = __builtin_ia32_vfmaddpd256(-q0, divisor, d);
      q = __builtin_ia32_vfmaddpd256(r, reciprocal, q0);
    } else {
      q = d / divisor;
    }
    storeVector(values + i, v + q);
  }
  return i + meanStepLanes<2>(values + i, power + i, count - i, frames);
}

// The frame sums in doubles, four samples a step. GCC vectors of four
// 16-bit samples convert through halves here, so the widening is spelled
// in the instruction set's own terms. Every value is a whole number below
// 2^53, so each lane's sums are exact and so is their total, in any order.
std::size_t frameEnergyQuads(const std::int16_t* x, const std::int16_t* y, std::size_t count, double* sums) {
  __m256d first = _mm256_setzero_pd();
  __m256d second = _mm256_setzero_pd();
  __m256d difference = _mm256_setzero_pd();
  std::size_t n = 0;
  for (; n + 4 <= count; n += 4) {
    const __m256d a = _mm256_cvtepi32_pd(_mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(x + n))));
    const __m256d b = _mm256_cvtepi32_pd(_mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + n))));
    const __m256d d = _mm256_sub_pd(a, b);
    first = _mm256_add_pd(first, _mm256_mul_pd(a, a));
    second = _mm256_add_pd(second, _mm256_mul_pd(b, b));
    difference = _mm256_add_pd(difference, _mm256_mul_pd(d, d));
  }
  double lanes[3][4];
  _mm256_storeu_pd(lanes[0], first);
  _mm256_storeu_pd(lanes[1], second);
  _mm256_storeu_pd(lanes[2], difference);
  for (int s = 0; s < 3; ++s) sums[s] = (lanes[s][0] + lanes[s][1]) + (lanes[s][2] + lanes[s][3]);
  return n;
}

// to[i] = from[i], eight a step, widened as above.
std::size_t convertSampleOctets(const std::int16_t* from, double* to, std::size_t count) {
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i wide = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    _mm256_storeu_pd(to + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(wide)));
    _mm256_storeu_pd(to + i + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(wide, 1)));
  }
  return i;
}

std::int32_t convolveQuadsThenPairs(const double* c, std::int32_t taps, const double* newest, double* output,
                                    std::int32_t count) {
  const std::int32_t j = convolveLanes<4>(c, taps, newest, output, count);
  return j + convolveLanes<2>(c, taps, newest + j, output + j, count - j);
}

void laneSpectraFour(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                     double* lanes) {
  LaneKernel<4>::run(tables, samples, power, lanes);
}

KernelTable makeTable() {
  KernelTable table;
  table.path = KernelPath::avx2;
  table.lagSums = lagSumsKernel;
  table.frameLagSums = frameLagSumsKernel;
  table.quietLagSums = quietLagSumsKernel;
  table.chebyshevLanes = chebyshevLanesKernel;
  table.bisectAndInterpolate = bisectKernel;
  table.bisectLanes = bisectLanesKernel;
  table.levinsonLanes = levinsonLanesKernel;
  table.gridSignChanges = gridSignChangesKernel;
  table.laneSpectra = laneSpectraFour;
  table.meanStep = meanStepFused;
  table.frameEnergies = frameEnergyQuads;
  table.sumOfSquares = squareSumPairs;
  table.convertSamples = convertSampleOctets;
  table.conjugateProduct = conjugateProductQuads;
  table.largestMagnitudeBits = largestMagnitudeLanes<4>;
  table.convolve = convolveQuadsThenPairs;
  return table;
}

}  // namespace

const KernelTable& avx2Kernels() {
  static const KernelTable table = makeTable();
  return table;
}

}  // namespace orvelle
