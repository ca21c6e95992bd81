#include "dsp/lpc_analysis.h"

#include <cmath>

#include "dsp/lpc_lanes.h"
#include "dsp/lpc_tables.h"

namespace orvelle {

namespace {

constexpr double kMinimumEnergy = 1.0;              // floor of r[0]
constexpr double kStabilityLimit = 0.999451;        // |rc| above this: unstable filter
constexpr double kMinimumPredictionError = 0.001;   // floor of the running prediction error
constexpr int kSearchOrder = 5;                     // degree of the sum and difference polynomials

// Grid quads for one filter: points j and j + 1 twice each, {g0, g0, g1,
// g1}, {g2, g2, g3, g3}, ..., the last point repeated to fill the last quad;
// the lanes alternate between the two polynomials.
constexpr int kOneFilterQuads = (kLspGridSize + 1) / 2;
// Grid quads for two filters: every point four times, the lanes f1 and f2
// of the first filter, then of the second.
constexpr int kTwoFilterQuads = kLspGridSize;

struct GridQuads {
  double oneFilter[4 * kOneFilterQuads];
  double twoFilters[4 * kTwoFilterQuads];
};

const GridQuads& gridQuads() {
  static const GridQuads quads = [] {
    GridQuads q{};
    for (int i = 0; i < 2 * kOneFilterQuads; ++i) {
      const double point = kLspGrid[i < kLspGridSize ? i : kLspGridSize - 1];
      q.oneFilter[2 * i] = point;
      q.oneFilter[2 * i + 1] = point;
    }
    for (int j = 0; j < kTwoFilterQuads; ++j) {
      for (int l = 0; l < 4; ++l) q.twoFilters[4 * j + l] = kLspGrid[j];
    }
    return q;
  }();
  return quads;
}

// Sum and difference polynomials of the order-10 filter A.
void splitPolynomials(const double* A, double* f1, double* f2) {
  f1[0] = 1.0;
  f2[0] = 1.0;
  for (int i = 1; i <= kSearchOrder; ++i) {
    f1[i] = A[i] + A[11 - i] - f1[i - 1];
    f2[i] = A[i] - A[11 - i] + f2[i - 1];
  }
}

// The grid search for the ten roots, alternating between f1 and f2, with
// gridValues[stride * j + p] the value of polynomial p (0: f1, 1: f2) at
// grid point j. When fewer than ten roots are found, lsp = fallback.
void searchRoots(const double* f1, const double* f2, const double* gridValues, int stride, double* lsp,
                 const double* fallback) {
  const double* polys[2] = {f1, f2};
  const LpcPath path = fastestLpcPath();
  double lanes[2][4 * (kSearchOrder + 1)];
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i <= kSearchOrder; ++i) {
      for (int l = 0; l < 4; ++l) lanes[p][4 * i + l] = polys[p][i];
    }
  }
  // The roots of the two polynomials interlace, so the search alternates
  // between them, resuming inside the interval where the last root was found.
  int current = 0;
  int nf = 0;
  int j = 0;
  double xlow = kLspGrid[0];
  double ylow = gridValues[current];
  while (nf < kLpcOrder && j < kLspGridSize - 1) {
    ++j;
    const double xhigh = xlow;
    const double yhigh = ylow;
    xlow = kLspGrid[j];
    ylow = gridValues[stride * j + current];
    if (ylow * yhigh <= 0.0) {
      --j;
      const double xint = bisectAndInterpolate(path, lanes[current], xlow, ylow, xhigh, yhigh);
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

// The window times the analysis window, followed by zeros: the lag sums
// then all run over the same n range, the extra terms adding exact zeros
// after the real ones, so each r[k] is still the ascending-n sum over
// n = 0 .. 239 - k.
constexpr int kPaddedWindowLength = kLpcWindowLength + kLaneLags;

void weightWindow(const double* window, double* y) {
  for (int n = 0; n < kLpcWindowLength; ++n) y[n] = window[n] * kLpcAnalysisWindow[n];
  for (int n = kLpcWindowLength; n < kPaddedWindowLength; ++n) y[n] = 0.0;
}

// r[0..order] from the lanes' sums; lags beyond them the plain way.
void lagsFromSums(const double* sums, const double* y, int order, double* r) {
  for (int k = 0; k <= order && k < kLaneLags; ++k) r[k] = sums[k];
  for (int k = kLaneLags; k <= order; ++k) {
    double sum = 0.0;
    for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[n] * y[n + k];
    r[k] = sum;
  }
  if (r[0] < kMinimumEnergy) r[0] = kMinimumEnergy;
}

}  // namespace

void autocorrelate(const double* window, int order, double* r) {
  double y[kPaddedWindowLength];
  double sums[kLaneLags];
  weightWindow(window, y);
  const double* windows[1] = {y};
  double* results[1] = {sums};
  lagSums(fastestLpcPath(), 1, windows, results);
  lagsFromSums(sums, y, order, r);
}

void autocorrelatePair(const double* first, const double* second, int order, double* rFirst, double* rSecond) {
  double y[2][kPaddedWindowLength];
  double sums[2][kLaneLags];
  weightWindow(first, y[0]);
  weightWindow(second, y[1]);
  const double* windows[2] = {y[0], y[1]};
  double* results[2] = {sums[0], sums[1]};
  lagSums(fastestLpcPath(), 2, windows, results);
  lagsFromSums(sums[0], y[0], order, rFirst);
  lagsFromSums(sums[1], y[1], order, rSecond);
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
  splitPolynomials(A, f1, f2);
  // Every grid point is needed for one polynomial or the other, so both are
  // evaluated at every point up front, side by side and independently of the
  // search; each value is the one chebyshevEval gives.
  double coefficients[4 * (kSearchOrder + 1)];
  for (int i = 0; i <= kSearchOrder; ++i) {
    coefficients[4 * i] = coefficients[4 * i + 2] = f1[i];
    coefficients[4 * i + 1] = coefficients[4 * i + 3] = f2[i];
  }
  double values[4 * kOneFilterQuads];
  chebyshevLanes(fastestLpcPath(), gridQuads().oneFilter, kOneFilterQuads, coefficients, values);
  searchRoots(f1, f2, values, 2, lsp, fallback);
}

void lpcToLspPair(const double* firstA, double* firstLsp, const double* secondA, double* secondLsp,
                  const double* fallback) {
  double f[4][kSearchOrder + 1];
  splitPolynomials(firstA, f[0], f[1]);
  splitPolynomials(secondA, f[2], f[3]);
  double coefficients[4 * (kSearchOrder + 1)];
  for (int i = 0; i <= kSearchOrder; ++i) {
    for (int l = 0; l < 4; ++l) coefficients[4 * i + l] = f[l][i];
  }
  double values[4 * kTwoFilterQuads];
  chebyshevLanes(fastestLpcPath(), gridQuads().twoFilters, kTwoFilterQuads, coefficients, values);
  searchRoots(f[0], f[1], values, 4, firstLsp, fallback);
  searchRoots(f[2], f[3], values + 2, 4, secondLsp, fallback);
}

}  // namespace orvelle
