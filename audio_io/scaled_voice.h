#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvelle {

// Floating-point samples made voice samples: each multiplied by a scale that
// maps them to the 16-bit range (32768 for values in [-1, 1)), then rounded
// and clipped as a resampled voice file is.
struct ScaledVoice {
  std::vector<std::int16_t> samples;
  std::int64_t clippedSamples = 0;
};

// False, with `reason` naming `what` ("source samples") and the place,
// when `scale` is not a positive finite number or a value is NaN or
// infinite: no rounding could make speech of those.
bool scaleToVoice(std::span<const float> values, double scale, const std::string& what, ScaledVoice& out,
                  std::string& reason);
bool scaleToVoice(std::span<const double> values, double scale, const std::string& what, ScaledVoice& out,
                  std::string& reason);

}  // namespace orvelle
