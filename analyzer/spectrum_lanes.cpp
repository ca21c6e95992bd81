#include "analyzer/spectrum_lanes.h"

#include "analyzer/spectral_front_end.h"
#include "dsp/cpu_features.h"

namespace orvelle {

namespace {

// Below three stages the transform has no fused first pass to mirror.
constexpr std::int32_t kSmallestLaneExponent = 3;

}  // namespace

LanePath fastestLanePath() { return processorHasAvx2() ? LanePath::avx2 : LanePath::baseline; }

void laneSpectra(const SpectralFrontEnd& frontEnd, LanePath path, const std::int16_t* const* samples,
                 double* const* power, FrameWorkArea& work) {
  if (path == LanePath::avx2 && !processorHasAvx2()) path = LanePath::baseline;
  if (frontEnd.exponent() < kSmallestLaneExponent || frontEnd.frameLength() > kAnalysisFrameLength) {
    path = LanePath::oneByOne;
  }
  switch (path) {
    case LanePath::avx2:
      laneSpectraAvx2(frontEnd.laneTables(), samples, power, work.lanes.data());
      return;
    case LanePath::baseline:
      laneSpectraBaseline(frontEnd.laneTables(), samples, power, work.lanes.data());
      return;
    case LanePath::oneByOne:
      for (int l = 0; l < kSpectrumLanes; ++l) {
        frontEnd.windowSamples(samples[l], work.frame.data());
        frontEnd.transform(work.frame.data());
        frontEnd.powerSpectrum(work.frame.data(), power[l]);
      }
      return;
  }
}

}  // namespace orvelle
