#pragma once

#include <cstdint>

#include "analyzer/companion_figures.h"

namespace orvelle {

struct DelayEstimate {
  std::int32_t samples = 0;  // how much later `processed` is than `source`
  DelayMethod method = DelayMethod::waveform;
  double waveformCorrelation = 0.0;  // normalised, at the waveform peak
};

// The lag, within +-kMaximumDelaySamples, of the best waveform
// cross-correlation; when that peak is weaker than
// kWaveformCorrelationThreshold the waveform is not kept, and the lag of the
// best correlation of the 10 ms energy envelopes (taken every millisecond)
// is used instead.
DelayEstimate estimateDelay(const std::int16_t* source, const std::int16_t* processed, std::int32_t count);

}  // namespace orvelle
