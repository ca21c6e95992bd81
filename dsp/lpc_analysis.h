#pragma once

#include <array>
#include <cstddef>

#include "dsp/lpc_lanes.h"

namespace orvelle {

// Linear-prediction analysis of one 240-sample window: autocorrelation,
// lag window, order-10 Levinson-Durbin recursion and conversion of the
// prediction filter to line spectral pairs. Every sum is taken in ascending
// index order and every expression is evaluated as written, so that two
// builds of the program classify the same signal identically.

// The window's length, the order and the stability bounds are those the
// lane kernels are built for: kernels/lpc_lane_shapes.h.
constexpr int kAutocorrelationOrder = 12;  // two lags beyond the predictor order feed the low-band energy

// Memory of the last prediction filter whose recursion completed without
// instability; an unstable frame falls back to it. The initial value is the
// trivial filter A(z) = 1 with zero reflection coefficients.
struct LpcState {
  std::array<double, kLpcOrder + 1> lastStableLpc{1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  std::array<double, 2> lastStableRc{0.0, 0.0};
};

// r[0..order] = autocorrelation of the windowed analysis buffer; the buffer
// itself is not changed. r[0] is floored at 1.0 so that silence still gives a
// finite energy and a well-posed recursion.
void autocorrelate(const double* window, int order, double* r);
// autocorrelate of two windows at once; each result as autocorrelate gives it.
void autocorrelatePair(const double* first, const double* second, int order, double* rFirst, double* rSecond);

// autocorrelate of `count` windows, windows[f]'s lags into r[(order + 1) f
// ..]; neighbouring windows share the vector lanes.
void autocorrelateFrames(const double* const* windows, int count, int order, double* r,
                         KernelPath path = activeKernelPath());

// Scales r[1..order] by the lag window; r[0] is left as it is.
void applyLagWindow(int order, double* r);

// Order-`order` recursion on r into A[0..order] and rc[0..order-1]. May clamp
// r[1] to r[0] in the caller's vector. On instability A, rc[0] and rc[1] come
// from `state`, rc[2..] are meaningless, and `state` is left unchanged.
void levinsonDurbin(int order, double* r, double* A, double* rc, LpcState& state);

// The recursion of levinsonDurbin without its fallback and memory: false
// when it meets an unstable coefficient, A and rc then holding what it had
// reached.
bool levinsonRecursion(int order, double* r, double* A, double* rc);

// levinsonDurbin of order kLpcOrder for `count` frames in order, all
// sharing `state` as consecutive calls would: frame f's lags at r[13 f ..],
// its filter into A[11 f ..] and its coefficients into rc[10 f ..].
void levinsonDurbinFrames(int count, double* r, double* A, double* rc, LpcState& state,
                          KernelPath path = activeKernelPath());

// Ten line spectral pairs (cosine domain, decreasing) of the order-10 filter
// A; when the grid search finds fewer than ten roots, lsp = fallback.
void lpcToLsp(const double* A, double* lsp, const double* fallback);
// lpcToLsp of `count` filters at once: filter f at A[11 f .. 11 f + 10],
// its pairs into lsp[10 f .. 10 f + 9]; each result as lpcToLsp gives it.
void lpcToLspFrames(const double* A, int count, double* lsp, const double* fallback,
                    KernelPath path = activeKernelPath());

// Chebyshev-series evaluation of the half-order polynomial f[0..n] at x.
double chebyshevEval(double x, const double* f, int n);

}  // namespace orvelle
