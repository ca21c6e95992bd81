// The kernels built for AVX-512 Foundation: the AVX2 set, with the spectra
// eight frames at once. That instruction set has fused multiply-adds of its
// own, so what keeps each lane rounding every product and sum on its own is
// that contraction stays off (-ffp-contract=off, which this unit's build
// flags repeat). Called only where the processor has it.
#include "kernels/kernel_sets.h"
#include "kernels/spectrum_lanes_body.h"

namespace orvelle {

namespace {

void laneSpectraEight(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                      double* lanes) {
  LaneKernel<8>::run(tables, samples, power, lanes);
}

KernelTable makeTable() {
  KernelTable table = avx2Kernels();
  table.path = KernelPath::avx512;
  table.laneSpectra = laneSpectraEight;
  return table;
}

}  // namespace

const KernelTable& avx512Kernels() {
  static const KernelTable table = makeTable();
  return table;
}

}  // namespace orvelle
