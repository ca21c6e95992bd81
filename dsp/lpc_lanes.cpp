#include "dsp/lpc_lanes.h"

#include "dsp/lpc_analysis.h"
#include "dsp/lpc_tables.h"
#include "kernels/kernel_table.h"

namespace orvelle {

void lagSums(KernelPath path, int windows, const double* const* y, double* const* r) {
  if (const auto kernel = kernelsFor(path).lagSums) return kernel(windows, y, r);
  for (int w = 0; w < windows; ++w) {
    for (int k = 0; k < kLaneLags; ++k) {
      double sum = 0.0;
      for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[w][n] * y[w][n + k];
      r[w][k] = sum;
    }
  }
}

void frameLagSums(KernelPath path, const double* const* x, double* const* r) {
  if (const auto kernel = kernelsFor(path).frameLagSums) return kernel(kLpcAnalysisWindow.data(), x, r);
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

void quietLagSums(KernelPath path, const double* const* y, double* const* r) {
  if (const auto kernel = kernelsFor(path).quietLagSums) return kernel(y, r);
  for (int l = 0; l < 4; ++l) {
    for (int k = 0; k < kFrameLaneLags; ++k) {
      double sum = 0.0;
      for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[l][n] * y[l][n + k];
      r[l][k] = sum;
    }
  }
}

void chebyshevLanes(KernelPath path, const double* x, int quads, const double* coefficients, double* out) {
  if (const auto kernel = kernelsFor(path).chebyshevLanes) return kernel(x, quads, coefficients, out);
  for (int q = 0; q < quads; ++q) {
    for (int l = 0; l < 4; ++l) {
      double f[6];
      for (int i = 0; i < 6; ++i) f[i] = coefficients[4 * i + l];
      out[4 * q + l] = chebyshevEval(x[4 * q + l], f, 5);
    }
  }
}

double bisectAndInterpolate(KernelPath path, const double* coefficients, double xlow, double ylow, double xhigh,
                            double yhigh) {
  if (const auto kernel = kernelsFor(path).bisectAndInterpolate) return kernel(coefficients, xlow, ylow, xhigh, yhigh);
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

void bisectLanes(KernelPath path, RootLanes& lanes) {
  if (const auto kernel = kernelsFor(path).bisectLanes) return kernel(lanes);
  for (int l = 0; l < kRootLanes; ++l) {
    const int sought = lanes.useSecond[l] != 0 ? 1 : 0;
    double repeated[4 * 6];
    double other[6];
    for (int i = 0; i < 6; ++i) {
      for (int q = 0; q < 4; ++q) repeated[4 * i + q] = lanes.polynomials[sought][i * kRootLanes + l];
      other[i] = lanes.polynomials[1 - sought][i * kRootLanes + l];
    }
    lanes.root[l] = bisectAndInterpolate(KernelPath::reference, repeated, lanes.xlow[l], lanes.ylow[l], lanes.xhigh[l],
                                         lanes.yhigh[l]);
    lanes.otherValue[l] = chebyshevEval(lanes.root[l], other, 5);
  }
}

void levinsonLanes(KernelPath path, double* r, double* A, double* rc, std::int64_t* unstable) {
  if (const auto kernel = kernelsFor(path).levinsonLanes) return kernel(r, A, rc, unstable);
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

void gridSignChanges(KernelPath path, const double* values, int points, std::uint64_t* changes) {
  if (const auto kernel = kernelsFor(path).gridSignChanges) return kernel(values, points, changes);
  for (int l = 0; l < 4; ++l) {
    changes[l] = 0;
    for (int c = 0; c + 1 < points; ++c) {
      if (values[4 * (c + 1) + l] * values[4 * c + l] <= 0.0) changes[l] |= std::uint64_t{1} << c;
    }
  }
}

}  // namespace orvelle
