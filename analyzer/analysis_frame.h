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

// Frames whose spectra are computed side by side, one a vector lane.
inline constexpr int kSpectrumLanes = 4;

// One signal's work area, reused for every frame of a run: one frame, or
// kSpectrumLanes frames interleaved lane by lane, and their power spectra.
struct FrameWorkArea {
  std::array<double, kAnalysisFrameLength> frame;
  alignas(64) std::array<double, kSpectrumLanes * kAnalysisFrameLength> lanes;
  std::array<std::array<double, kAnalysisFrameLength / 2 + 1>, kSpectrumLanes> lanePower;
};

}  // namespace orvelle
