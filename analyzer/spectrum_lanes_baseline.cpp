// The lane kernel for the baseline instruction set of the build.
#include "analyzer/spectrum_lanes_kernel.h"

namespace orvelle {

void laneSpectraBaseline(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                         double* lanes) {
  LaneKernel<4>::run(tables, samples, power, lanes);
}

}  // namespace orvelle
