#pragma once

#include <array>
#include <cstdint>

namespace orvelle {

// The spectral analysis the score is calibrated for: frames of 1024 samples
// (128 ms at 8 kHz) every 160 samples, whose power spectra keep 512 bins
// (the Nyquist bin is dropped).
inline constexpr std::int32_t kAnalysisExponent = 10;
inline constexpr std::int32_t kAnalysisFrameLength = std::int32_t{1} << kAnalysisExponent;
inline constexpr std::int32_t kAnalysisHopLength = 160;
inline constexpr std::int32_t kMeanSpectrumBins = kAnalysisFrameLength / 2;
inline constexpr double kAnalysisSampleRateHz = 8000.0;

// The most frames whose spectra are computed side by side, one a vector
// lane: eight doubles fill a 512-bit register. How many a call takes is a
// property of the instructions that carry the lanes (laneCount).
inline constexpr int kMostSpectrumLanes = 8;

// One signal's work area, reused for every frame of a run: one frame, or up
// to kMostSpectrumLanes frames interleaved lane by lane, and their power
// spectra.
struct FrameWorkArea {
  std::array<double, kAnalysisFrameLength> frame;
  alignas(64) std::array<double, kMostSpectrumLanes * kAnalysisFrameLength> lanes;
  std::array<std::array<double, kAnalysisFrameLength / 2 + 1>, kMostSpectrumLanes> lanePower;
};

}  // namespace orvelle
