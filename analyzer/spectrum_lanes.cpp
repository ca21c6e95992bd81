#include "analyzer/spectrum_lanes.h"

#include "analyzer/spectral_front_end.h"
#include "kernels/kernel_table.h"

namespace orvelle {

namespace {

// The kernels run the transform's first three stages as one pass and its
// last stage together with the power spectrum: they need four stages.
constexpr std::int32_t kSmallestLaneExponent = 4;

}  // namespace

void laneSpectra(const SpectralFrontEnd& frontEnd, KernelPath path, const std::int16_t* const* samples,
                 double* const* power, FrameWorkArea& work) {
  const auto kernel = kernelsFor(path).laneSpectra;
  if (kernel != nullptr && frontEnd.exponent() >= kSmallestLaneExponent &&
      frontEnd.frameLength() <= kAnalysisFrameLength) {
    kernel(frontEnd.laneTables(), samples, power, work.lanes.data());
    return;
  }
  for (int l = 0; l < laneCount(path); ++l) {
    frontEnd.windowSamples(samples[l], work.frame.data());
    frontEnd.transform(work.frame.data());
    frontEnd.powerSpectrum(work.frame.data(), power[l]);
  }
}

}  // namespace orvelle
