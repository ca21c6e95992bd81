#include "dsp/lpc_analysis.h"

#include <cmath>
#include <cstring>

#include "dsp/lpc_tables.h"

namespace orvelle {

namespace {

constexpr double kMinimumEnergy = 1.0;              // floor of r[0]
constexpr double kStabilityLimit = 0.999451;        // |rc| above this: unstable filter
constexpr double kMinimumPredictionError = 0.001;   // floor of the running prediction error
constexpr int kSearchOrder = 5;                     // degree of the sum and difference polynomials
constexpr int kBisections = 4;

// Lags 0..13 are accumulated as seven pairs; higher orders take a plain loop.
constexpr int kVectorLags = 14;
constexpr int kAutocorrelationPadding = kVectorLags;

using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

DoublePair loadPair(const double* p) {
  DoublePair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void storePair(double* p, DoublePair v) { std::memcpy(p, &v, sizeof v); }

DoublePair splat(double value) { return DoublePair{value, value}; }

// chebyshevEval of order kSearchOrder, one lane per (point, coefficients)
// pair: each lane performs exactly the scalar operations, in their order.
DoublePair chebyshevEvalLanes(DoublePair x, const DoublePair* f) {
  const DoublePair x2 = splat(2.0) * x;
  DoublePair b2 = splat(1.0);
  DoublePair b1 = x2 + f[1];
  for (int i = 2; i < kSearchOrder; ++i) {
    const DoublePair b0 = x2 * b1 - b2 + f[i];
    b2 = b1;
    b1 = b0;
  }
  return x * b1 - b2 + splat(0.5) * f[kSearchOrder];
}

// Both polynomials at every grid point: lane 0 holds f1's value, lane 1 f2's.
void evaluateBothOnGrid(const double* f1, const double* f2, DoublePair* values) {
  DoublePair both[kSearchOrder + 1];
  for (int i = 0; i <= kSearchOrder; ++i) both[i] = DoublePair{f1[i], f2[i]};
  for (int j = 0; j < kLspGridSize; ++j) values[j] = chebyshevEvalLanes(splat(kLspGrid[j]), both);
}

// The bisection steps followed by the linear interpolation, from a grid
// interval with a sign change. Each step halves the interval, so every point
// a step could visit is a node of a fixed binary subdivision, computed by
// the same midpoint operations the steps would use (the sum of two bounds is
// the same in either order). All nodes are evaluated at once, two at a time,
// and the steps then only choose among them.
double bisectAndInterpolate(const double* poly, double xlow, double ylow, double xhigh, double yhigh) {
  constexpr int kLast = 1 << kBisections;
  double x[kLast + 1];
  double y[kLast + 1];
  x[0] = xlow;
  x[kLast] = xhigh;
  for (int width = kLast; width > 1; width /= 2) {
    for (int lo = 0; lo < kLast; lo += width) x[lo + width / 2] = 0.5 * (x[lo] + x[lo + width]);
  }
  DoublePair coefficients[kSearchOrder + 1];
  for (int i = 0; i <= kSearchOrder; ++i) coefficients[i] = splat(poly[i]);
  for (int i = 1; i + 1 < kLast; i += 2) storePair(y + i, chebyshevEvalLanes(loadPair(x + i), coefficients));
  y[kLast - 1] = chebyshevEval(x[kLast - 1], poly, kSearchOrder);
  y[0] = ylow;
  y[kLast] = yhigh;

  int lo = 0;
  int hi = kLast;
  for (int b = 0; b < kBisections; ++b) {
    const int mid = (lo + hi) / 2;
    if (y[lo] * y[mid] <= 0.0) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return x[lo] - y[lo] * (x[hi] - x[lo]) / (y[hi] - y[lo]);
}

}  // namespace

void autocorrelate(const double* window, int order, double* r) {
  // Zero padding lets every lag run over the same n range; the extra terms
  // add exact zeros after the real ones, so each r[k] is still the
  // ascending-n sum over n = 0 .. 239 - k. All lags advance together, two per
  // vector, so that the additions of different lags overlap while each lag's
  // own additions keep their order.
  double y[kLpcWindowLength + kAutocorrelationPadding];
  for (int n = 0; n < kLpcWindowLength; ++n) {
    y[n] = window[n] * kLpcAnalysisWindow[n];
  }
  for (int n = kLpcWindowLength; n < kLpcWindowLength + kAutocorrelationPadding; ++n) {
    y[n] = 0.0;
  }
  // Named accumulators stay in registers; an array of them would not.
  DoublePair acc0 = {0.0, 0.0}, acc1 = acc0, acc2 = acc0, acc3 = acc0, acc4 = acc0, acc5 = acc0, acc6 = acc0;
  for (int n = 0; n < kLpcWindowLength; ++n) {
    const DoublePair yn = {y[n], y[n]};
    const double* lagged = y + n;
    acc0 += yn * loadPair(lagged);
    acc1 += yn * loadPair(lagged + 2);
    acc2 += yn * loadPair(lagged + 4);
    acc3 += yn * loadPair(lagged + 6);
    acc4 += yn * loadPair(lagged + 8);
    acc5 += yn * loadPair(lagged + 10);
    acc6 += yn * loadPair(lagged + 12);
  }
  const DoublePair pairs[kVectorLags / 2] = {acc0, acc1, acc2, acc3, acc4, acc5, acc6};
  for (int k = 0; k <= order && k < kVectorLags; ++k) {
    r[k] = pairs[k / 2][k % 2];
  }
  for (int k = kVectorLags; k <= order; ++k) {
    double sum = 0.0;
    for (int n = 0; n < kLpcWindowLength - k; ++n) {
      sum += y[n] * y[n + k];
    }
    r[k] = sum;
  }
  if (r[0] < kMinimumEnergy) {
    r[0] = kMinimumEnergy;
  }
}

void applyLagWindow(int order, double* r) {
  for (int k = 1; k <= order && k <= kAutocorrelationOrder; ++k) {
    r[k] = r[k] * kLpcLagWindow[k - 1];
  }
}

void levinsonDurbin(int order, double* r, double* A, double* rc, LpcState& state) {
  // A first lag above the energy would make the first-order error negative.
  if (r[1] > r[0]) {
    r[1] = r[0];
  }
  rc[0] = -r[1] / r[0];
  A[0] = 1.0;
  A[1] = rc[0];
  double err = r[0] + r[1] * rc[0];
  for (int i = 2; i <= order; ++i) {
    double s = 0.0;
    for (int j = 0; j < i; ++j) {
      s += r[i - j] * A[j];
    }
    // A zero error means the previous order predicted perfectly; 1.0 marks
    // the next coefficient as unstable so that the frame falls back.
    rc[i - 1] = (err == 0.0) ? 1.0 : -s / err;
    if (std::fabs(rc[i - 1]) > kStabilityLimit) {
      for (int j = 0; j <= order; ++j) {
        A[j] = state.lastStableLpc[j];
      }
      rc[0] = state.lastStableRc[0];
      rc[1] = state.lastStableRc[1];
      return;
    }
    for (int j = 1; j <= i / 2; ++j) {
      const int l = i - j;
      const double t = A[j] + rc[i - 1] * A[l];
      A[l] = A[l] + rc[i - 1] * A[j];
      A[j] = t;
    }
    A[i] = rc[i - 1];
    err = err + rc[i - 1] * s;
    if (err <= 0.0) {
      err = kMinimumPredictionError;
    }
  }
  for (int j = 0; j <= order; ++j) {
    state.lastStableLpc[j] = A[j];
  }
  state.lastStableRc[0] = rc[0];
  state.lastStableRc[1] = rc[1];
}

double chebyshevEval(double x, const double* f, int n) {
  const double x2 = 2.0 * x;
  double b2 = 1.0;
  double b1 = x2 + f[1];
  for (int i = 2; i < n; ++i) {
    const double b0 = x2 * b1 - b2 + f[i];
    b2 = b1;
    b1 = b0;
  }
  return x * b1 - b2 + 0.5 * f[n];
}

void lpcToLsp(const double* A, double* lsp, const double* fallback) {
  double f1[kSearchOrder + 1];
  double f2[kSearchOrder + 1];
  f1[0] = 1.0;
  f2[0] = 1.0;
  for (int i = 1; i <= kSearchOrder; ++i) {
    f1[i] = A[i] + A[11 - i] - f1[i - 1];
    f2[i] = A[i] - A[11 - i] + f2[i - 1];
  }
  const double* polys[2] = {f1, f2};

  // Every grid point is needed for one polynomial or the other, so both are
  // evaluated at every point up front, side by side and independently of the
  // search; each value is the one chebyshevEval gives.
  DoublePair gridValues[kLspGridSize];
  evaluateBothOnGrid(f1, f2, gridValues);

  // The roots of the two polynomials interlace, so the search alternates
  // between them, resuming inside the interval where the last root was found.
  int current = 0;
  int nf = 0;
  int j = 0;
  double xlow = kLspGrid[0];
  double ylow = gridValues[0][current];
  while (nf < kLpcOrder && j < kLspGridSize - 1) {
    ++j;
    const double xhigh = xlow;
    const double yhigh = ylow;
    xlow = kLspGrid[j];
    ylow = gridValues[j][current];
    if (ylow * yhigh <= 0.0) {
      --j;
      const double xint = bisectAndInterpolate(polys[current], xlow, ylow, xhigh, yhigh);
      lsp[nf] = xint;
      ++nf;
      current = 1 - current;
      xlow = xint;
      ylow = chebyshevEval(xlow, polys[current], kSearchOrder);
    }
  }
  if (nf < kLpcOrder) {
    for (int i = 0; i < kLpcOrder; ++i) {
      lsp[i] = fallback[i];
    }
  }
}

}  // namespace orvelle
