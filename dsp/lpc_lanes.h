#pragma once

#include <cstdint>

#include "kernels/kernel_path.h"
#include "kernels/lpc_lane_shapes.h"

namespace orvelle {

// The LPC chain's independent sums and evaluations, several to a vector
// register: the autocorrelation lags of one or two windows (lanes = lags),
// and the Chebyshev series of several polynomials or points (lanes =
// polynomial and point). Each lane performs exactly the scalar operations
// in their order, so every result has the bits of the one-at-a-time code.

// Each takes the kernel path to run on, one the processor runs; the
// reference path runs the one-at-a-time code of lpc_lanes.cpp.

// For each of `windows` (1 or 2) weighted windows y[w] of kLpcWindowLength
// values followed by kLaneLags zeros: r[w][k] = the sum over n = 0 .. 239 - k
// of y[w][n] * y[w][n + k], ascending n, for k = 0 .. kLaneLags - 1.
void lagSums(KernelPath path, int windows, const double* const* y, double* const* r);

// The lags of the order-12 analysis of four frames at once, a lane per
// frame: for the raw windows x[0..3] (kLpcWindowLength values each), with
// y = x[l][n] * kLpcAnalysisWindow[n], r[l][k] = the sum over n = 0 .. 239 -
// k of y[n] * y[n + k], ascending n, for k = 0 .. kFrameLaneLags - 1.
void frameLagSums(KernelPath path, const double* const* x, double* const* r);

// frameLagSums of four windows already weighted, each kLpcWindowLength
// values followed by kLaneLags zeros, all below 2^-480 in magnitude: there
// many products are subnormal, which some processors handle only in
// microcode, a hundred cycles or more each. The products and sums are
// carried scaled, clear of the subnormal numbers, with every result
// rounded exactly as the plain products and sums round: the same bits.
inline constexpr double kQuietWindowBound = 0x1p-480;
void quietLagSums(KernelPath path, const double* const* y, double* const* r);

// For q = 0 .. quads - 1 and lane l = 0 .. 3: out[4q + l] = chebyshevEval of
// order 5 at x[4q + l] with the coefficients coefficients[4i + l], i = 0..5.
void chebyshevLanes(KernelPath path, const double* x, int quads, const double* coefficients, double* out);

// The bisection steps and the linear interpolation of lpcToLsp's root
// search inside the grid interval [xlow, xhigh] (xlow the lower point, the
// values of the polynomial there ylow and yhigh, of opposite signs or zero);
// `coefficients` holds the polynomial's six coefficients, each four times
// (coefficients[4i + l] = f[i]).
double bisectAndInterpolate(KernelPath path, const double* coefficients, double xlow, double ylow, double xhigh,
                            double yhigh);

// One bisection per lane, for kRootLanes independent root searches at once:
// lane l seeks the root of polynomial `useSecond[l] ? 1 : 0` of its pair
// inside [xlow[l], xhigh[l]] exactly as bisectAndInterpolate does, and then
// evaluates the pair's other polynomial at that root as chebyshevEval does.
// (RootLanes, kRootLanes: kernels/lpc_lane_shapes.h.)
void bisectLanes(KernelPath path, RootLanes& lanes);

// The order-10 recursion of levinsonDurbin for four frames, one per lane,
// without its fallback: lanes[k * 4 + l] holds lag k of frame l (r[1] is
// clamped there as levinsonDurbin clamps it), A[j * 4 + l] and rc[i * 4 +
// l] receive the filter and coefficients, and unstable[l] is set where the
// recursion met an unstable coefficient (the lane's A and rc are then
// meaningless).
void levinsonLanes(KernelPath path, double* r, double* A, double* rc, std::int64_t* unstable);

// changes[l] gets bit c set where values[4 c + l] * values[4 (c + 1) + l]
// is not positive, for the cells c = 0 .. points - 2 (at most 64 cells).
void gridSignChanges(KernelPath path, const double* values, int points, std::uint64_t* changes);

}  // namespace orvelle
