#pragma once

// Reproducible test signals built with integer noise and the C library's
// sine, for tests that need realistic frames rather than crafted state.

#include <cmath>
#include <cstdint>
#include <vector>

namespace orvelle::test {

constexpr int kFrame = 80;

class NoiseSource {
 public:
  explicit NoiseSource(std::uint32_t seed) : state_(seed) {}
  // Uniform in [-1, 1).
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<std::int32_t>(state_ >> 8) - (1 << 23)) / (1 << 23);
  }

 private:
  std::uint32_t state_;
};

inline std::int16_t toSample(double v) {
  if (v > 32767.0) {
    v = 32767.0;
  }
  if (v < -32768.0) {
    v = -32768.0;
  }
  return static_cast<std::int16_t>(std::lrint(v));
}

enum class Stretch { Quiet, Tone, Noise };

// Frames of one kind appended to `signal`: quiet background noise of a few
// units, a 1 kHz tone, or loud white noise.
inline void appendStretch(std::vector<std::int16_t>& signal, Stretch kind, int frames, NoiseSource& noise) {
  const std::size_t start = signal.size();
  for (int n = 0; n < frames * kFrame; ++n) {
    const double t = static_cast<double>(start + n) / 8000.0;
    double v = 6.0 * noise.next();
    if (kind == Stretch::Tone) {
      v += 4000.0 * std::sin(2.0 * M_PI * 1000.0 * t);
    } else if (kind == Stretch::Noise) {
      v += 3000.0 * noise.next();
    }
    signal.push_back(toSample(v));
  }
}

}  // namespace orvelle::test
