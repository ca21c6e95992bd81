// The kernels for the baseline instruction set of the build: the portable
// lanes, GCC vectors of two or four doubles, which become SSE2 on x86-64
// and Advanced SIMD on aarch64.
#include "kernels/kernel_sets.h"
#include "kernels/loop_bodies.h"
#include "kernels/lpc_lanes_body.h"
#include "kernels/spectrum_lanes_body.h"

namespace orvelle {

namespace {

std::size_t meanStepPairs(double* values, const double* power, std::size_t count, double frames) {
  return meanStepLanes<2>(values, power, count, frames);
}

void laneSpectraFour(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                     double* lanes) {
  LaneKernel<4>::run(tables, samples, power, lanes);
}

KernelTable makeTable() {
  KernelTable table;
  table.path = KernelPath::baseline;
  table.lagSums = lagSumsKernel;
  table.frameLagSums = frameLagSumsKernel;
  table.quietLagSums = quietLagSumsKernel;
  table.chebyshevLanes = chebyshevLanesKernel;
  table.bisectAndInterpolate = bisectKernel;
  table.bisectLanes = bisectLanesKernel;
  table.levinsonLanes = levinsonLanesKernel;
  table.gridSignChanges = gridSignChangesKernel;
  table.laneSpectra = laneSpectraFour;
  table.meanStep = meanStepPairs;
#if defined(__x86_64__)
  table.sumOfSquares = squareSumPairs;
#else
  table.sumOfSquares = squareSumLanes<8>;
#endif
  table.convertSamples = convertSampleLanes<4>;
  table.convolve = convolveLanes<2>;
  return table;
}

}  // namespace

const KernelTable& baselineKernels() {
  static const KernelTable table = makeTable();
  return table;
}

}  // namespace orvelle
