#pragma once

#include <cstdint>

#include "analyzer/analysis_frame.h"
#include "analyzer/spectrum_lanes.h"

namespace orvelle {

class MeanSpectrum;
class SpectralFrontEnd;

// Analysis frames of a signal: frame k starts at sample 160k and is 1024
// samples long; frames are only started while more than 1024 samples remain.
std::int32_t spectralFrameCount(std::int32_t sampleCount);

// Adds to `mean` the power spectrum of every analysis frame whose first 160
// samples carry speech by `gateFlags` (two 80-sample activity flags), the
// frames laneCount(path) at a time. The front end must be set up for
// kAnalysisFrameLength samples. Returns the number of frames added;
// allocates nothing.
std::int32_t accumulateSpectrum(const SpectralFrontEnd& frontEnd, const std::int16_t* samples, std::int32_t sampleCount,
                                const std::int16_t* gateFlags, MeanSpectrum& mean, FrameWorkArea& work,
                                KernelPath path = activeKernelPath());

// The same for two signals gated by the same flags, on this thread: the
// means come out as two calls of accumulateSpectrum would leave them, with
// the frames of both signals sharing the vector lanes.
void accumulateSpectra(const SpectralFrontEnd& frontEnd, const std::int16_t* source, const std::int16_t* processed,
                       std::int32_t sampleCount, const std::int16_t* gateFlags, MeanSpectrum& sourceMean,
                       MeanSpectrum& processedMean, FrameWorkArea& work, KernelPath path = activeKernelPath());

}  // namespace orvelle
