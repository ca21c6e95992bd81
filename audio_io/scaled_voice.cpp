#include "audio_io/scaled_voice.h"

#include <cmath>

#include "audio_io/voice_sample.h"

namespace orvelle {

namespace {

template <typename Value>
bool scaled(std::span<const Value> values, double scale, const std::string& what, ScaledVoice& out,
            std::string& reason) {
  out = ScaledVoice{};
  if (!std::isfinite(scale) || scale <= 0.0) {
    reason = "The scale for the " + what + " must be a positive finite number, not " + std::to_string(scale);
    return false;
  }
  out.samples.resize(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double value = static_cast<double>(values[i]);
    if (!std::isfinite(value)) {
      reason = "The " + what + " hold " + (std::isnan(value) ? "NaN" : "an infinite value") + " at index " +
               std::to_string(i) + "; only finite numbers are speech";
      out = ScaledVoice{};
      return false;
    }
    out.samples[i] = roundedVoiceSample(value * scale, out.clippedSamples);
  }
  return true;
}

}  // namespace

bool scaleToVoice(std::span<const float> values, double scale, const std::string& what, ScaledVoice& out,
                  std::string& reason) {
  return scaled(values, scale, what, out, reason);
}

bool scaleToVoice(std::span<const double> values, double scale, const std::string& what, ScaledVoice& out,
                  std::string& reason) {
  return scaled(values, scale, what, out, reason);
}

}  // namespace orvelle
