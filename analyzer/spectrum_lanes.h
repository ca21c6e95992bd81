#pragma once

#include <cstdint>

#include "analyzer/analysis_frame.h"

namespace orvelle {

class SpectralFrontEnd;

// The power spectra of several frames computed side by side, one frame per
// vector lane. Every lane goes through exactly the operations of
// SpectralFrontEnd's one-frame steps (windowSamples, transform,
// powerSpectrum), in the same order, so each spectrum has the same bits as
// one computed alone; only independent frames share an instruction.

// Which instructions carry the lanes: the one-frame code for each frame in
// turn, the baseline vector unit, AVX2 where the processor has it (four
// lanes each), or AVX-512 where it has that (eight lanes).
enum class LanePath { oneByOne, baseline, avx2, avx512 };

// The frames one call of laneSpectra takes on a path.
constexpr int laneCount(LanePath path) { return path == LanePath::avx512 ? kMostSpectrumLanes : 4; }

// The path the processor at hand runs best.
LanePath fastestLanePath();

// What the lane kernels read of a set-up front end.
struct LaneTables {
  const double* window = nullptr;
  const std::int32_t* reversal = nullptr;  // the bit-reversal table
  const double* stageCosine = nullptr;
  const double* stageSine = nullptr;
  const std::int32_t* stageOffset = nullptr;
  std::int32_t exponent = 0;
};

// The power spectra of the laneCount(path) frames at samples[0..] into
// power[0..] (halfLength() + 1 values each) by the given path, through
// work.lanes (and work.frame one by one). The front end must be set up with
// its analysis window and at most kAnalysisFrameLength samples long. A path
// the processor lacks is carried by the best it has, the same frames in
// sets of four where that path is narrower.
void laneSpectra(const SpectralFrontEnd& frontEnd, LanePath path, const std::int16_t* const* samples,
                 double* const* power, FrameWorkArea& work);

// power[l] receives frameLength/2 + 1 values for the frame at samples[l],
// l = 0..3 (0..7 for AVX-512); a front end of any size from 16 samples up.
// Each kernel lives in its own translation unit, built for its instruction
// set.
void laneSpectraBaseline(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                         double* lanes);
void laneSpectraAvx2(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                     double* lanes);
void laneSpectraAvx512(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                       double* lanes);

}  // namespace orvelle
