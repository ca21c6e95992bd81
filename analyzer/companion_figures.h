#pragma once

#include <cstdint>
#include <span>

namespace orvelle {

// How the delay was found: from the waveforms, or, for a codec that does not
// keep the waveform (its waveform correlation peak stays under
// kWaveformCorrelationThreshold), from the 10 ms energy envelopes.
enum class DelayMethod { waveform, envelope };

const char* delayMethodName(DelayMethod method);

struct DelayEstimate;

// Figures measured beside the score, for what the score does not see: the
// long-term spectrum it compares keeps neither the delay, nor the waveform
// noise, nor the level.
struct CompanionFigures {
  bool measured = false;            // false: the run measured none
  std::int32_t delaySamples = 0;    // how much later the processed signal is; negative: earlier
  DelayMethod delayMethod = DelayMethod::waveform;
  double waveformCorrelation = 0.0; // normalised waveform cross-correlation at its peak
  // 10 ms frames the source's activity flags mark as speech, less those in
  // which both signals are silent.
  std::int32_t speechFrames = 0;
  // Over the speech frames, with the processed signal taken delaySamples
  // later; both are meaningless (NaN) without speech frames.
  double segmentalSnrDb = 0.0;      // mean of each frame's SNR, clamped to kFrameSnrFloorDb..kFrameSnrCeilingDb
  double levelDifferenceDb = 0.0;   // processed energy over source energy
};

// Lags searched either way: 200 ms.
inline constexpr std::int32_t kMaximumDelaySamples = 1600;
// On the bundled speech the waveform coders peak at 0.44 (Opus at 6 kbit/s)
// to 1, the vocoders (Codec 2, LPC-10) at 0.06 to 0.19.
inline constexpr double kWaveformCorrelationThreshold = 0.3;
inline constexpr double kFrameSnrFloorDb = -10.0;
inline constexpr double kFrameSnrCeilingDb = 35.0;

// Measures the figures of `processed` against `source` (both `count`
// samples); `sourceSpeech` holds the source's activity flag (0 or 1) of each
// 80-sample frame, as the run's detector set them, before the processed
// signal's were merged in; `delay` is estimateDelay of the same signals,
// which needs no activity flags and so may be made before they exist.
CompanionFigures measureCompanionFigures(const std::int16_t* source, const std::int16_t* processed,
                                         std::int32_t count, std::span<const std::int16_t> sourceSpeech,
                                         const DelayEstimate& delay);

}  // namespace orvelle
