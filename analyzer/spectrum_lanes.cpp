#include "analyzer/spectrum_lanes.h"

#include "analyzer/spectral_front_end.h"

namespace orvelle {

namespace {

// Below three stages the transform has no fused first pass to mirror.
constexpr std::int32_t kSmallestLaneExponent = 3;

bool hasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported;
#else
  return false;
#endif
}

}  // namespace

LanePath fastestLanePath() { return hasAvx2() ? LanePath::avx2 : LanePath::baseline; }

void laneSpectra(const SpectralFrontEnd& frontEnd, LanePath path, const std::int16_t* const* samples,
                 double* const* power, FrameWorkArea& work) {
  if (path == LanePath::avx2 && !hasAvx2()) path = LanePath::baseline;
  if (frontEnd.exponent() < kSmallestLaneExponent || frontEnd.frameLength() > kAnalysisFrameLength) path = LanePath::oneByOne;
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
