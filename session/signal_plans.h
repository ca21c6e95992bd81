#pragma once

#include <cstdint>

namespace orvelle {

// One band of the synthesised signal: noise cut to centreHz ± widthHz / 2.
struct NoiseBand {
  std::int32_t centreHz;
  std::int32_t widthHz;
};

// One stretch of constant loudness-modulation rate inside every band.
struct ModulationSegment {
  double frequencyHz;
  std::int32_t length;    // samples
  std::int32_t reserved;  // kept for the table layout; always 0, never read
};

// The bands and modulation segments of one signal size. Every band runs
// through every segment, then one second of silence follows.
struct SignalPlan {
  const NoiseBand* bands;
  std::int32_t bandCount;
  const ModulationSegment* segments;
  std::int32_t segmentCount;
};

inline constexpr std::int32_t kSignalSampleRateHz = 8000;
// Silence after every band: one second.
inline constexpr std::int32_t kBandSilenceSamples = kSignalSampleRateHz;

inline constexpr std::int32_t kShortSizeType = 0;
inline constexpr std::int32_t kNormalSizeType = 1;
inline constexpr std::int32_t kLongSizeType = 2;

// The plan of a size type (0 Short, 1 Normal, 2 Long), or nullptr for any
// other value.
const SignalPlan* signalPlan(std::int32_t sizeType);

// Samples of signal the plan produces, silences included:
// bands × (sum of segment lengths + one second).
std::int64_t plannedSampleCount(const SignalPlan& plan);

}  // namespace orvelle
