// The LPC lane kernels' bodies (see dsp/lpc_lanes.h for what each
// computes), included by one translation unit per instruction set. Everything here has internal linkage, so the copies built
// for different instruction sets never stand in for each other at link time,
// and no vector crosses a function boundary by value.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

#include "kernels/lpc_lane_shapes.h"

namespace orvelle {
namespace {

using Quad = double __attribute__((vector_size(4 * sizeof(double))));

#define ORVELLE_QUAD_OF(v) (Quad{(v), (v), (v), (v)})

// Each accumulator holds four lags; each lag's additions stay in ascending n.
void lagSumsOne(const double* y, double* r) {
  Quad a0 = {0.0, 0.0, 0.0, 0.0}, a1 = a0, a2 = a0, a3 = a0;
  for (int n = 0; n < kLpcWindowLength; ++n) {
    const Quad yn = ORVELLE_QUAD_OF(y[n]);
    Quad p0, p1, p2, p3;
    __builtin_memcpy(&p0, y + n, sizeof p0);
    __builtin_memcpy(&p1, y + n + 4, sizeof p1);
    __builtin_memcpy(&p2, y + n + 8, sizeof p2);
    __builtin_memcpy(&p3, y + n + 12, sizeof p3);
    a0 += yn * p0;
    a1 += yn * p1;
    a2 += yn * p2;
    a3 += yn * p3;
  }
  __builtin_memcpy(r, &a0, sizeof a0);
  __builtin_memcpy(r + 4, &a1, sizeof a1);
  __builtin_memcpy(r + 8, &a2, sizeof a2);
  __builtin_memcpy(r + 12, &a3, sizeof a3);
}

// Two windows at once: eight independent chains hide the adder's latency.
void lagSumsTwo(const double* y, const double* z, double* r, double* s) {
  Quad a0 = {0.0, 0.0, 0.0, 0.0}, a1 = a0, a2 = a0, a3 = a0;
  Quad b0 = a0, b1 = a0, b2 = a0, b3 = a0;
  for (int n = 0; n < kLpcWindowLength; ++n) {
    const Quad yn = ORVELLE_QUAD_OF(y[n]);
    const Quad zn = ORVELLE_QUAD_OF(z[n]);
    Quad p0, p1, p2, p3, q0, q1, q2, q3;
    __builtin_memcpy(&p0, y + n, sizeof p0);
    __builtin_memcpy(&p1, y + n + 4, sizeof p1);
    __builtin_memcpy(&p2, y + n + 8, sizeof p2);
    __builtin_memcpy(&p3, y + n + 12, sizeof p3);
    __builtin_memcpy(&q0, z + n, sizeof q0);
    __builtin_memcpy(&q1, z + n + 4, sizeof q1);
    __builtin_memcpy(&q2, z + n + 8, sizeof q2);
    __builtin_memcpy(&q3, z + n + 12, sizeof q3);
    a0 += yn * p0;
    a1 += yn * p1;
    a2 += yn * p2;
    a3 += yn * p3;
    b0 += zn * q0;
    b1 += zn * q1;
    b2 += zn * q2;
    b3 += zn * q3;
  }
  __builtin_memcpy(r, &a0, sizeof a0);
  __builtin_memcpy(r + 4, &a1, sizeof a1);
  __builtin_memcpy(r + 8, &a2, sizeof a2);
  __builtin_memcpy(r + 12, &a3, sizeof a3);
  __builtin_memcpy(s, &b0, sizeof b0);
  __builtin_memcpy(s + 4, &b1, sizeof b1);
  __builtin_memcpy(s + 8, &b2, sizeof b2);
  __builtin_memcpy(s + 12, &b3, sizeof b3);
}

void lagSumsKernel(int windows, const double* const* y, double* const* r) {
  if (windows == 2) {
    lagSumsTwo(y[0], y[1], r[0], r[1]);
  } else {
    lagSumsOne(y[0], r[0]);
  }
}

// Lags first .. first + count - 1 of the weighted lanes y, each in its own
// accumulator over ascending n.
template <int first, int count>
void frameLagRange(const Quad* y, double* const* r) {
  Quad sums[count];
#pragma GCC unroll 16
  for (int k = 0; k < count; ++k) sums[k] = ORVELLE_QUAD_OF(0.0);
  for (int n = 0; n < kLpcWindowLength; ++n) {
    const Quad yn = y[n];
#pragma GCC unroll 16
    for (int k = 0; k < count; ++k) sums[k] += yn * y[n + first + k];
  }
  for (int k = 0; k < count; ++k) {
    for (int l = 0; l < 4; ++l) r[l][first + k] = sums[k][l];
  }
}

// The windows weighted into lanes (zeros after their end), then the lags in
// two passes, few enough accumulators each to stay in registers.
void frameLagSumsKernel(const double* analysisWindow, const double* const* x, double* const* r) {
  Quad y[kLpcWindowLength + kFrameLaneLags - 1];
  // Four samples of each window at a time, turned into four samples of all
  // the windows by a 4 x 4 transpose: whole loads instead of one value each.
  static_assert(kLpcWindowLength % 4 == 0, "the windows come in whole quads");
  for (int n = 0; n < kLpcWindowLength; n += 4) {
    Quad r0, r1, r2, r3;
    __builtin_memcpy(&r0, x[0] + n, sizeof r0);
    __builtin_memcpy(&r1, x[1] + n, sizeof r1);
    __builtin_memcpy(&r2, x[2] + n, sizeof r2);
    __builtin_memcpy(&r3, x[3] + n, sizeof r3);
    const Quad even01 = __builtin_shufflevector(r0, r1, 0, 4, 2, 6);
    const Quad odd01 = __builtin_shufflevector(r0, r1, 1, 5, 3, 7);
    const Quad even23 = __builtin_shufflevector(r2, r3, 0, 4, 2, 6);
    const Quad odd23 = __builtin_shufflevector(r2, r3, 1, 5, 3, 7);
    y[n] = __builtin_shufflevector(even01, even23, 0, 1, 4, 5) * ORVELLE_QUAD_OF(analysisWindow[n]);
    y[n + 1] = __builtin_shufflevector(odd01, odd23, 0, 1, 4, 5) * ORVELLE_QUAD_OF(analysisWindow[n + 1]);
    y[n + 2] = __builtin_shufflevector(even01, even23, 2, 3, 6, 7) * ORVELLE_QUAD_OF(analysisWindow[n + 2]);
    y[n + 3] = __builtin_shufflevector(odd01, odd23, 2, 3, 6, 7) * ORVELLE_QUAD_OF(analysisWindow[n + 3]);
  }
  for (int n = kLpcWindowLength; n < kLpcWindowLength + kFrameLaneLags - 1; ++n) y[n] = ORVELLE_QUAD_OF(0.0);
  constexpr int kFirstPass = (kFrameLaneLags + 1) / 2;
  frameLagRange<0, kFirstPass>(y, r);
  frameLagRange<kFirstPass, kFrameLaneLags - kFirstPass>(y, r);
}

// chebyshevEval of order 5 (b2 = 1; b1 = 2x + f1; three steps b0 = 2x b1 -
// b2 + f[i]; x b1 - b2 + 0.5 f5), one lane per polynomial and point.
void chebyshevQuad(const Quad* f, const Quad& x, Quad& value) {
  const Quad x2 = ORVELLE_QUAD_OF(2.0) * x;
  Quad b2 = ORVELLE_QUAD_OF(1.0);
  Quad b1 = x2 + f[1];
  for (int i = 2; i < 5; ++i) {
    const Quad b0 = x2 * b1 - b2 + f[i];
    b2 = b1;
    b1 = b0;
  }
  value = x * b1 - b2 + ORVELLE_QUAD_OF(0.5) * f[5];
}

// chebyshevQuad for quads of points, the same polynomials throughout.
void chebyshevLanesKernel(const double* x, int quads, const double* coefficients, double* out) {
  Quad f[6];
  for (int i = 0; i < 6; ++i) __builtin_memcpy(&f[i], coefficients + 4 * i, sizeof f[i]);
  for (int q = 0; q < quads; ++q) {
    Quad xq;
    __builtin_memcpy(&xq, x + 4 * q, sizeof xq);
    Quad value;
    chebyshevQuad(f, xq, value);
    __builtin_memcpy(out + 4 * q, &value, sizeof value);
  }
}

// The four bisection steps and the interpolation of the root search (see
// lpcToLsp), from a grid interval with a sign change. Every point a step
// could visit is a node of a fixed binary subdivision of the interval,
// computed by the midpoint operations the steps would use (the sum of two
// bounds is the same in either order); all nodes are evaluated at once,
// four to a register, and the steps then only choose among them.
double bisectKernel(const double* coefficients, double xlow, double ylow, double xhigh, double yhigh) {
  double x[17];
  x[0] = xlow;
  x[16] = xhigh;
  x[8] = 0.5 * (x[0] + x[16]);
  x[4] = 0.5 * (x[0] + x[8]);
  x[12] = 0.5 * (x[8] + x[16]);
  x[2] = 0.5 * (x[0] + x[4]);
  x[6] = 0.5 * (x[4] + x[8]);
  x[10] = 0.5 * (x[8] + x[12]);
  x[14] = 0.5 * (x[12] + x[16]);
  for (int i = 1; i < 16; i += 2) x[i] = 0.5 * (x[i - 1] + x[i + 1]);

  Quad f[6];
  for (int i = 0; i < 6; ++i) __builtin_memcpy(&f[i], coefficients + 4 * i, sizeof f[i]);
  // Nodes 1 to 16; the last, xhigh, only fills the last register.
  const Quad points[4] = {Quad{x[1], x[2], x[3], x[4]}, Quad{x[5], x[6], x[7], x[8]},
                          Quad{x[9], x[10], x[11], x[12]}, Quad{x[13], x[14], x[15], x[16]}};
  double y[17];
  for (int q = 0; q < 4; ++q) {
    Quad value;
    chebyshevQuad(f, points[q], value);
    __builtin_memcpy(y + 1 + 4 * q, &value, sizeof value);
  }
  y[0] = ylow;
  y[16] = yhigh;

  int lo = 0;
  int hi = 16;
  for (int b = 0; b < 4; ++b) {
    const int mid = (lo + hi) / 2;
    const bool left = y[lo] * y[mid] <= 0.0;
    hi = left ? mid : hi;
    lo = left ? lo : mid;
  }
  return x[lo] - y[lo] * (x[hi] - x[lo]) / (y[hi] - y[lo]);
}

using QuadMask = std::int64_t __attribute__((vector_size(4 * sizeof(double))));

// The root lanes in register-wide quads.
constexpr int kRootQuads = kRootLanes / 4;

// Lane by lane: `whenSet` where the mask is set, else `otherwise`.
void selectLanes(const QuadMask& mask, const Quad& whenSet, const Quad& otherwise, Quad& out) {
  QuadMask set, unset;
  __builtin_memcpy(&set, &whenSet, sizeof set);
  __builtin_memcpy(&unset, &otherwise, sizeof unset);
  const QuadMask bits = (set & mask) | (unset & ~mask);
  __builtin_memcpy(&out, &bits, sizeof out);
}

// The step-by-step bisection of bisectAndInterpolate in every lane at once:
// each step halves the lane's interval at its midpoint and keeps the half
// with the sign change. The quads' chains are independent, so each step
// runs them side by side.
void bisectLanesKernel(RootLanes& io) {
  Quad sought[kRootQuads][6];
  Quad other[kRootQuads][6];
  Quad xlow[kRootQuads], ylow[kRootQuads], xhigh[kRootQuads], yhigh[kRootQuads];
  for (int q = 0; q < kRootQuads; ++q) {
    QuadMask second;
    __builtin_memcpy(&second, io.useSecond + 4 * q, sizeof second);
    for (int i = 0; i < 6; ++i) {
      Quad p0, p1;
      __builtin_memcpy(&p0, io.polynomials[0] + i * kRootLanes + 4 * q, sizeof p0);
      __builtin_memcpy(&p1, io.polynomials[1] + i * kRootLanes + 4 * q, sizeof p1);
      selectLanes(second, p1, p0, sought[q][i]);
      selectLanes(second, p0, p1, other[q][i]);
    }
    __builtin_memcpy(&xlow[q], io.xlow + 4 * q, sizeof xlow[q]);
    __builtin_memcpy(&ylow[q], io.ylow + 4 * q, sizeof ylow[q]);
    __builtin_memcpy(&xhigh[q], io.xhigh + 4 * q, sizeof xhigh[q]);
    __builtin_memcpy(&yhigh[q], io.yhigh + 4 * q, sizeof yhigh[q]);
  }
  for (int b = 0; b < 4; ++b) {
    for (int q = 0; q < kRootQuads; ++q) {
      const Quad xmid = ORVELLE_QUAD_OF(0.5) * (xlow[q] + xhigh[q]);
      Quad ymid;
      chebyshevQuad(sought[q], xmid, ymid);
      const QuadMask left = ylow[q] * ymid <= ORVELLE_QUAD_OF(0.0);
      selectLanes(left, xmid, xhigh[q], xhigh[q]);
      selectLanes(left, ymid, yhigh[q], yhigh[q]);
      selectLanes(left, xlow[q], xmid, xlow[q]);
      selectLanes(left, ylow[q], ymid, ylow[q]);
    }
  }
  for (int q = 0; q < kRootQuads; ++q) {
    const Quad root = xlow[q] - ylow[q] * (xhigh[q] - xlow[q]) / (yhigh[q] - ylow[q]);
    Quad otherValue;
    chebyshevQuad(other[q], root, otherValue);
    __builtin_memcpy(io.root + 4 * q, &root, sizeof root);
    __builtin_memcpy(io.otherValue + 4 * q, &otherValue, sizeof otherValue);
  }
}

// levinsonDurbin's recursion, each lane a frame; a lane that meets an
// unstable coefficient is marked and runs on, its results unused.
void levinsonLanesKernel(double* r, double* A, double* rc, std::int64_t* unstable) {
  auto store = [](double* p, const Quad& v) { __builtin_memcpy(p, &v, sizeof v); };
  Quad lags[kLpcOrder + 1];
  for (int k = 0; k <= kLpcOrder; ++k) __builtin_memcpy(&lags[k], r + 4 * k, sizeof lags[k]);
  // A first lag above the energy would make the first-order error negative.
  selectLanes(lags[1] > lags[0], lags[0], lags[1], lags[1]);
  store(r + 4, lags[1]);
  Quad a[kLpcOrder + 1];
  Quad k0 = -lags[1] / lags[0];
  store(rc, k0);
  a[0] = ORVELLE_QUAD_OF(1.0);
  a[1] = k0;
  Quad err = lags[0] + lags[1] * k0;
  QuadMask failed = {0, 0, 0, 0};
  const QuadMask magnitude = QuadMask{} + std::numeric_limits<std::int64_t>::max();  // every bit but the sign
  for (int i = 2; i <= kLpcOrder; ++i) {
    Quad sum = ORVELLE_QUAD_OF(0.0);
    for (int j = 0; j < i; ++j) sum += lags[i - j] * a[j];
    // A zero error means the previous order predicted perfectly; 1.0 marks
    // the next coefficient as unstable.
    Quad k;
    selectLanes(err == ORVELLE_QUAD_OF(0.0), ORVELLE_QUAD_OF(1.0), -sum / err, k);
    store(rc + 4 * (i - 1), k);
    QuadMask bits;
    __builtin_memcpy(&bits, &k, sizeof bits);
    bits &= magnitude;
    Quad absolute;
    __builtin_memcpy(&absolute, &bits, sizeof absolute);
    failed |= absolute > ORVELLE_QUAD_OF(kStabilityLimit);
    for (int j = 1; j <= i / 2; ++j) {
      const int l = i - j;
      const Quad t = a[j] + k * a[l];
      a[l] = a[l] + k * a[j];
      a[j] = t;
    }
    a[i] = k;
    err = err + k * sum;
    selectLanes(err <= ORVELLE_QUAD_OF(0.0), ORVELLE_QUAD_OF(kMinimumPredictionError), err, err);
  }
  for (int j = 0; j <= kLpcOrder; ++j) store(A + 4 * j, a[j]);
  __builtin_memcpy(unstable, &failed, sizeof failed);
}

// quietLagSums: the products and sums of four weighted windows, a lane per
// window, carried 2^600 (each product 2^1200) above the values themselves,
// where none of them is subnormal. A product that is subnormal once scaled
// back is rounded to where the plain product rounds, the grid of multiples
// of 2^-1074, from its exact value (Dekker's product: the rounded product
// and its exact error); the sums then round as the plain sums do, for a sum
// of grid values below 2^-1022 is exact either way, and above it the
// scaling changes no rounding.
void quietLagSumsKernel(const double* const* y, double* const* r) {
  constexpr int kLength = kLpcWindowLength + kLaneLags;
  constexpr double kScale = 0x1p600;
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1: Veltkamp's split into 26-bit halves
  constexpr double kSubnormalBound = 0x1p178;  // 2^-1022, scaled
  constexpr double kStep = 0x1p126;            // 2^-1074, scaled
  constexpr double kHalfStep = 0x1p125;
  constexpr double kRounder = 0x1p178;  // 2^52 steps: adding it leaves whole steps
  const QuadMask magnitude = QuadMask{} + std::numeric_limits<std::int64_t>::max();
  Quad v[kLength], high[kLength], low[kLength];
  for (int n = 0; n < kLength; ++n) {
    v[n] = Quad{y[0][n], y[1][n], y[2][n], y[3][n]} * kScale;
    const Quad c = v[n] * kSplitter;
    high[n] = c - (c - v[n]);
    low[n] = v[n] - high[n];
  }
  const Quad zero = ORVELLE_QUAD_OF(0.0);
  for (int k = 0; k < kFrameLaneLags; ++k) {
    Quad sum = zero;
    for (int n = 0; n < kLpcWindowLength; ++n) {
      const int m = n + k;
      const Quad p = v[n] * v[m];
      const Quad error = (((high[n] * high[m] - p) + high[n] * low[m]) + low[n] * high[m]) + low[n] * low[m];
      QuadMask bits;
      __builtin_memcpy(&bits, &p, sizeof bits);
      Quad absolute, rounder;
      const QuadMask absoluteBits = bits & magnitude;
      const QuadMask rounderBits = (bits & ~magnitude) | std::bit_cast<std::int64_t>(kRounder);
      __builtin_memcpy(&absolute, &absoluteBits, sizeof absolute);
      __builtin_memcpy(&rounder, &rounderBits, sizeof rounder);
      // To the nearest whole step, ties to even, as p alone lies; where p
      // lies on a tie that its exact value is off, to that value's side.
      const Quad nearest = (p + rounder) - rounder;
      const Quad off = p - nearest;
      Quad rounded;
      selectLanes((off == kHalfStep) & (error > zero), nearest + kStep, nearest, rounded);
      selectLanes((off == -kHalfStep) & (error < zero), nearest - kStep, rounded, rounded);
      Quad product;
      selectLanes(absolute < kSubnormalBound, rounded, p, product);
      sum += product;
    }
    const Quad scaledBack = (sum * 0x1p-600) * 0x1p-600;
    for (int l = 0; l < 4; ++l) r[l][k] = scaledBack[l];
  }
}

void gridSignChangesKernel(const double* values, int points, std::uint64_t* changes) {
  QuadMask bits = {0, 0, 0, 0};
  Quad upper;
  __builtin_memcpy(&upper, values, sizeof upper);
  for (int c = 0; c + 1 < points; ++c) {
    Quad lower;
    __builtin_memcpy(&lower, values + 4 * (c + 1), sizeof lower);
    const QuadMask change = lower * upper <= ORVELLE_QUAD_OF(0.0);
    bits |= (change & std::int64_t{1}) << c;
    upper = lower;
  }
  __builtin_memcpy(changes, &bits, sizeof bits);
}

#undef ORVELLE_QUAD_OF

}  // namespace
}  // namespace orvelle
