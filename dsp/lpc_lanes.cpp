#include "dsp/lpc_lanes.h"

#include "dsp/cpu_features.h"
#include "dsp/lpc_analysis.h"

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

}  // namespace orvelle
