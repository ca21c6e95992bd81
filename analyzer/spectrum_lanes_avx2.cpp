// The lane kernel built for AVX2 (four doubles a register; no fused
// multiply-add, so each lane still rounds every product and sum on its own).
// Called only where the processor has AVX2.
#include "analyzer/spectrum_lanes_kernel.h"

namespace orvelle {

void laneSpectraAvx2(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                     double* lanes) {
  LaneKernel<4>::run(tables, samples, power, lanes);
}

}  // namespace orvelle
