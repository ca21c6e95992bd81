// The lane kernel built for AVX-512 Foundation, eight doubles a register.
// That instruction set carries fused multiply-adds of its own, so what keeps
// each lane rounding every product and sum on its own is that contraction
// stays off (-ffp-contract=off, which this unit's build flags repeat).
// Called only where the processor has AVX-512.
#include "analyzer/spectrum_lanes_kernel.h"

namespace orvelle {

void laneSpectraAvx512(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                       double* lanes) {
  LaneKernel<8>::run(tables, samples, power, lanes);
}

}  // namespace orvelle
