#include "dsp/lpc_lanes.h"

#include "dsp/cpu_features.h"
#include "dsp/lpc_analysis.h"
#include "dsp/lpc_tables.h"

namespace orvelle {

LpcPath fastestLpcPath() {
  static const LpcPath path = processorHasAvx2() ? LpcPath::avx2 : LpcPath::baseline;
  return path;
}

void lagSums(LpcPath path, int windows, const double* const* y, double* const* r) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      lagSumsAvx2(windows, y, r);
      return;
    case LpcPath::baseline:
      lagSumsBaseline(windows, y, r);
      return;
    case LpcPath::oneByOne:
      for (int w = 0; w < windows; ++w) {
        for (int k = 0; k < kLaneLags; ++k) {
          double sum = 0.0;
          for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[w][n] * y[w][n + k];
          r[w][k] = sum;
        }
      }
      return;
  }
}

void frameLagSums(LpcPath path, const double* const* x, double* const* r) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      frameLagSumsAvx2(x, r);
      return;
    case LpcPath::baseline:
      frameLagSumsBaseline(x, r);
      return;
    case LpcPath::oneByOne:
      break;
  }
  for (int l = 0; l < 4; ++l) {
    double y[kLpcWindowLength];
    for (int n = 0; n < kLpcWindowLength; ++n) y[n] = x[l][n] * kLpcAnalysisWindow[n];
    for (int k = 0; k < kFrameLaneLags; ++k) {
      double sum = 0.0;
      for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[n] * y[n + k];
      r[l][k] = sum;
    }
  }
}

void quietLagSums(LpcPath path, const double* const* y, double* const* r) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      quietLagSumsAvx2(y, r);
      return;
    case LpcPath::baseline:
      quietLagSumsBaseline(y, r);
      return;
    case LpcPath::oneByOne:
      break;
  }
  for (int l = 0; l < 4; ++l) {
    for (int k = 0; k < kFrameLaneLags; ++k) {
      double sum = 0.0;
      for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[l][n] * y[l][n + k];
      r[l][k] = sum;
    }
  }
}

void chebyshevLanes(LpcPath path, const double* x, int quads, const double* coefficients, double* out) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      chebyshevLanesAvx2(x, quads, coefficients, out);
      return;
    case LpcPath::baseline:
      chebyshevLanesBaseline(x, quads, coefficients, out);
      return;
    case LpcPath::oneByOne:
      for (int q = 0; q < quads; ++q) {
        for (int l = 0; l < 4; ++l) {
          double f[6];
          for (int i = 0; i < 6; ++i) f[i] = coefficients[4 * i + l];
          out[4 * q + l] = chebyshevEval(x[4 * q + l], f, 5);
        }
      }
      return;
  }
}

double bisectAndInterpolate(LpcPath path, const double* coefficients, double xlow, double ylow, double xhigh,
                            double yhigh) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      return bisectAndInterpolateAvx2(coefficients, xlow, ylow, xhigh, yhigh);
    case LpcPath::baseline:
      return bisectAndInterpolateBaseline(coefficients, xlow, ylow, xhigh, yhigh);
    case LpcPath::oneByOne:
      break;
  }
  // The steps as they are defined: each halves the interval at its
  // midpoint and keeps the half with the sign change.
  double f[6];
  for (int i = 0; i < 6; ++i) f[i] = coefficients[4 * i];
  for (int b = 0; b < 4; ++b) {
    const double xmid = 0.5 * (xlow + xhigh);
    const double ymid = chebyshevEval(xmid, f, 5);
    if (ylow * ymid <= 0.0) {
      xhigh = xmid;
      yhigh = ymid;
    } else {
      xlow = xmid;
      ylow = ymid;
    }
  }
  return xlow - ylow * (xhigh - xlow) / (yhigh - ylow);
}

void bisectLanes(LpcPath path, RootLanes& lanes) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      bisectLanesAvx2(lanes);
      return;
    case LpcPath::baseline:
      bisectLanesBaseline(lanes);
      return;
    case LpcPath::oneByOne:
      break;
  }
  for (int l = 0; l < kRootLanes; ++l) {
    const int sought = lanes.useSecond[l] != 0 ? 1 : 0;
    double repeated[4 * 6];
    double other[6];
    for (int i = 0; i < 6; ++i) {
      for (int q = 0; q < 4; ++q) repeated[4 * i + q] = lanes.polynomials[sought][i * kRootLanes + l];
      other[i] = lanes.polynomials[1 - sought][i * kRootLanes + l];
    }
    lanes.root[l] = bisectAndInterpolate(LpcPath::oneByOne, repeated, lanes.xlow[l], lanes.ylow[l], lanes.xhigh[l],
                                         lanes.yhigh[l]);
    lanes.otherValue[l] = chebyshevEval(lanes.root[l], other, 5);
  }
}

void levinsonLanes(LpcPath path, double* r, double* A, double* rc, std::int64_t* unstable) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      levinsonLanesAvx2(r, A, rc, unstable);
      return;
    case LpcPath::baseline:
      levinsonLanesBaseline(r, A, rc, unstable);
      return;
    case LpcPath::oneByOne:
      break;
  }
  for (int l = 0; l < 4; ++l) {
    double lags[kAutocorrelationOrder + 1];
    double filter[kLpcOrder + 1] = {};
    double coefficients[kLpcOrder] = {};
    for (int k = 0; k <= kAutocorrelationOrder; ++k) lags[k] = r[4 * k + l];
    unstable[l] = levinsonRecursion(kLpcOrder, lags, filter, coefficients) ? 0 : -1;
    r[4 + l] = lags[1];
    for (int j = 0; j <= kLpcOrder; ++j) A[4 * j + l] = filter[j];
    for (int i = 0; i < kLpcOrder; ++i) rc[4 * i + l] = coefficients[i];
  }
}

void gridSignChanges(LpcPath path, const double* values, int points, std::uint64_t* changes) {
  if (path == LpcPath::avx2 && !processorHasAvx2()) path = LpcPath::baseline;
  switch (path) {
    case LpcPath::avx2:
      gridSignChangesAvx2(values, points, changes);
      return;
    case LpcPath::baseline:
      gridSignChangesBaseline(values, points, changes);
      return;
    case LpcPath::oneByOne:
      break;
  }
  for (int l = 0; l < 4; ++l) {
    changes[l] = 0;
    for (int c = 0; c + 1 < points; ++c) {
      if (values[4 * (c + 1) + l] * values[4 * c + l] <= 0.0) changes[l] |= std::uint64_t{1} << c;
    }
  }
}

}  // namespace orvelle
