#pragma once

#include <cstdint>

#include "analyzer/analysis_frame.h"
#include "kernels/kernel_path.h"
#include "kernels/spectrum_lane_tables.h"

namespace orvelle {

class SpectralFrontEnd;

// The power spectra of several frames computed side by side, one frame per
// vector lane. Every lane goes through exactly the operations of
// SpectralFrontEnd's one-frame steps (windowSamples, transform,
// powerSpectrum), in the same order, so each spectrum has the same bits as
// one computed alone; only independent frames share an instruction.

// The frames one call of laneSpectra takes on a path: eight on avx512, four
// on the others (the reference path takes them one by one).
constexpr int laneCount(KernelPath path) { return path == KernelPath::avx512 ? kMostSpectrumLanes : 4; }

// The power spectra of the laneCount(path) frames at samples[0..] into
// power[0..] (halfLength() + 1 values each) on the given path, one the
// processor runs, through work.lanes (and work.frame one by one). The front
// end must be set up with its analysis window and at most
// kAnalysisFrameLength samples long.
void laneSpectra(const SpectralFrontEnd& frontEnd, KernelPath path, const std::int16_t* const* samples,
                 double* const* power, FrameWorkArea& work);

}  // namespace orvelle
