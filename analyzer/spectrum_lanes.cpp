#include "analyzer/spectrum_lanes.h"

#include "analyzer/spectral_front_end.h"
#include "dsp/cpu_features.h"

namespace orvelle {

namespace {

// The kernels run the transform's first three stages as one pass and its
// last stage together with the power spectrum: they need four stages.
constexpr std::int32_t kSmallestLaneExponent = 4;

// The best four-lane path the processor has.
LanePath fastestFourLanePath() { return processorHasAvx2() ? LanePath::avx2 : LanePath::baseline; }

}  // namespace

LanePath fastestLanePath() { return processorHasAvx512() ? LanePath::avx512 : fastestFourLanePath(); }

void laneSpectra(const SpectralFrontEnd& frontEnd, LanePath path, const std::int16_t* const* samples,
                 double* const* power, FrameWorkArea& work) {
  const int frames = laneCount(path);
  if (frontEnd.exponent() < kSmallestLaneExponent || frontEnd.frameLength() > kAnalysisFrameLength) {
    path = LanePath::oneByOne;
  }
  if (path == LanePath::avx512 && !processorHasAvx512()) {
    const LanePath narrower = fastestFourLanePath();
    for (int first = 0; first < frames; first += laneCount(narrower)) {
      laneSpectra(frontEnd, narrower, samples + first, power + first, work);
    }
    return;
  }
  if (path == LanePath::avx2 && !processorHasAvx2()) path = LanePath::baseline;
  switch (path) {
    case LanePath::avx512:
      laneSpectraAvx512(frontEnd.laneTables(), samples, power, work.lanes.data());
      return;
    case LanePath::avx2:
      laneSpectraAvx2(frontEnd.laneTables(), samples, power, work.lanes.data());
      return;
    case LanePath::baseline:
      laneSpectraBaseline(frontEnd.laneTables(), samples, power, work.lanes.data());
      return;
    case LanePath::oneByOne:
      for (int l = 0; l < frames; ++l) {
        frontEnd.windowSamples(samples[l], work.frame.data());
        frontEnd.transform(work.frame.data());
        frontEnd.powerSpectrum(work.frame.data(), power[l]);
      }
      return;
  }
}

}  // namespace orvelle
