#include "analyzer/spectrum_accumulator.h"

#include <cstddef>

#include "analyzer/activity_flags.h"
#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"

namespace orvelle {

static_assert(kAnalysisHopLength == 2 * kActivityFrameLength, "a hop spans exactly two activity flags");

std::int32_t spectralFrameCount(std::int32_t sampleCount) {
  if (sampleCount <= kAnalysisFrameLength) return 0;
  const std::int64_t span = std::int64_t{sampleCount} - kAnalysisFrameLength;
  return static_cast<std::int32_t>((span + kAnalysisHopLength - 1) / kAnalysisHopLength);
}

std::int32_t accumulateSpectrum(const SpectralFrontEnd& frontEnd, const std::int16_t* samples, std::int32_t sampleCount,
                                const std::int16_t* gateFlags, MeanSpectrum& mean, FrameWorkArea& work) {
  if (frontEnd.frameLength() != kAnalysisFrameLength) return 0;
  const std::int32_t frames = spectralFrameCount(sampleCount);
  std::int32_t added = 0;
  for (std::int32_t k = 0; k < frames; ++k) {
    if (gateFlags[2 * k] == 0 && gateFlags[2 * k + 1] == 0) continue;
    const std::int16_t* start = samples + static_cast<std::ptrdiff_t>(k) * kAnalysisHopLength;
    frontEnd.windowSamples(start, work.frame.data());
    frontEnd.transform(work.frame.data());
    frontEnd.powerSpectrum(work.frame.data(), work.power.data());
    if (mean.add(work.power.data())) ++added;
  }
  return added;
}

}  // namespace orvelle
