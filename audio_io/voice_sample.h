#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvelle {

// A value on the 16-bit scale as a voice sample, as every conversion makes
// one: rounded to the nearest whole number without dither (ties to even),
// and beyond the 16-bit range set to its end and counted in `clipped`, so
// that the same values always give the same samples. `value` is finite.
inline std::int16_t roundedVoiceSample(double value, std::int64_t& clipped) {
  double kept = std::nearbyint(value);
  if (kept > 32767.0 || kept < -32768.0) {
    kept = std::clamp(kept, -32768.0, 32767.0);
    ++clipped;
  }
  return static_cast<std::int16_t>(kept);
}

}  // namespace orvelle
