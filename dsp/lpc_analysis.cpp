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

  // The roots of the two polynomials interlace, so the search alternates
  // between them, resuming inside the interval where the last root was found.
  const double* poly = f1;
  int nf = 0;
  int j = 0;
  double xlow = kLspGrid[0];
  double ylow = chebyshevEval(xlow, poly, kSearchOrder);
  while (nf < kLpcOrder && j < kLspGridSize - 1) {
    ++j;
    double xhigh = xlow;
    double yhigh = ylow;
    xlow = kLspGrid[j];
    ylow = chebyshevEval(xlow, poly, kSearchOrder);
    if (ylow * yhigh <= 0.0) {
      --j;
      for (int b = 0; b < kBisections; ++b) {
        const double xmid = 0.5 * (xlow + xhigh);
        const double ymid = chebyshevEval(xmid, poly, kSearchOrder);
        if (ylow * ymid <= 0.0) {
          xhigh = xmid;
          yhigh = ymid;
        } else {
          xlow = xmid;
          ylow = ymid;
        }
      }
      const double xint = xlow - ylow * (xhigh - xlow) / (yhigh - ylow);
      lsp[nf] = xint;
      ++nf;
      poly = (poly == f1) ? f2 : f1;
      xlow = xint;
      ylow = chebyshevEval(xlow, poly, kSearchOrder);
    }
  }
  if (nf < kLpcOrder) {
    for (int i = 0; i < kLpcOrder; ++i) {
      lsp[i] = fallback[i];
    }
  }
}

}  // namespace orvelle
