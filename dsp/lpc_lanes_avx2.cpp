// The LPC lane kernels built for AVX2 (four doubles a register; no fused
// multiply-add, so each lane still rounds every product and sum on its own).
// Called only where the processor has AVX2.
#include "dsp/lpc_lanes_kernel.h"

namespace orvelle {

void lagSumsAvx2(int windows, const double* const* y, double* const* r) { lagSumsKernel(windows, y, r); }

void frameLagSumsAvx2(const double* const* x, double* const* r) { frameLagSumsKernel(x, r); }

void quietLagSumsAvx2(const double* const* y, double* const* r) { quietLagSumsKernel(y, r); }

void chebyshevLanesAvx2(const double* x, int quads, const double* coefficients, double* out) {
  chebyshevLanesKernel(x, quads, coefficients, out);
}

double bisectAndInterpolateAvx2(const double* coefficients, double xlow, double ylow, double xhigh, double yhigh) {
  return bisectKernel(coefficients, xlow, ylow, xhigh, yhigh);
}

void bisectLanesAvx2(RootLanes& lanes) { bisectLanesKernel(lanes); }

void levinsonLanesAvx2(double* r, double* A, double* rc, std::int64_t* unstable) {
  levinsonLanesKernel(r, A, rc, unstable);
}

void gridSignChangesAvx2(const double* values, int points, std::uint64_t* changes) {
  gridSignChangesKernel(values, points, changes);
}

}  // namespace orvelle
