// The LPC lane kernels for the baseline instruction set of the build.
#include "dsp/lpc_lanes_kernel.h"

namespace orvelle {

void lagSumsBaseline(int windows, const double* const* y, double* const* r) { lagSumsKernel(windows, y, r); }

void frameLagSumsBaseline(const double* const* x, double* const* r) { frameLagSumsKernel(x, r); }

void quietLagSumsBaseline(const double* const* y, double* const* r) { quietLagSumsKernel(y, r); }

void chebyshevLanesBaseline(const double* x, int quads, const double* coefficients, double* out) {
  chebyshevLanesKernel(x, quads, coefficients, out);
}

double bisectAndInterpolateBaseline(const double* coefficients, double xlow, double ylow, double xhigh, double yhigh) {
  return bisectKernel(coefficients, xlow, ylow, xhigh, yhigh);
}

void bisectLanesBaseline(RootLanes& lanes) { bisectLanesKernel(lanes); }

void levinsonLanesBaseline(double* r, double* A, double* rc, std::int64_t* unstable) {
  levinsonLanesKernel(r, A, rc, unstable);
}

void gridSignChangesBaseline(const double* values, int points, std::uint64_t* changes) {
  gridSignChangesKernel(values, points, changes);
}

}  // namespace orvelle
