#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace orvelle::test {

// A deterministic speech-like signal at 8 kHz: half-second voiced bursts
// (a gliding pitch with harmonics up to 3.9 kHz, shaped by three formant
// bumps, plus broadband noise) separated by 0.3 s of faint noise. Every
// sample is even, so the signal halves exactly; peaks stay below 16384, so
// it also doubles without clipping.
inline std::vector<std::int16_t> speechLikeSignal(std::size_t count, std::uint32_t seed = 1) {
  constexpr double kRate = 8000.0;
  constexpr std::size_t kBurst = 4000;
  constexpr std::size_t kPause = 2400;
  std::vector<std::int16_t> samples(count);
  std::uint32_t noise = seed * 2654435761u + 1u;
  auto nextNoise = [&noise] {  // uniform in [-1, 1), same on every platform
    noise = noise * 1664525u + 1013904223u;
    return static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
  };
  auto formantGain = [](double f) {
    auto bump = [f](double centre, double width) { return 1.0 / (1.0 + ((f - centre) / width) * ((f - centre) / width)); };
    return 0.15 + bump(500.0, 150.0) + 0.6 * bump(1500.0, 250.0) + 0.4 * bump(2600.0, 300.0);
  };
  double phase = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t position = i % (kBurst + kPause);
    double value = 0.0;
    if (position < kBurst) {
      const double t = static_cast<double>(i) / kRate;
      const double pitch = 120.0 + 30.0 * std::sin(2.0 * std::numbers::pi * t / 1.3 + seed);
      phase += 2.0 * std::numbers::pi * pitch / kRate;
      const double envelope = std::sin(std::numbers::pi * static_cast<double>(position) / kBurst);
      for (int h = 1; h * pitch < 3900.0; ++h) value += formantGain(h * pitch) * std::sin(h * phase) / std::sqrt(h);
      value = envelope * (2500.0 * value + 600.0 * nextNoise());
    } else {
      value = 20.0 * nextNoise();
    }
    double even = 2.0 * std::round(value / 2.0);
    if (even > 16382.0) even = 16382.0;
    if (even < -16382.0) even = -16382.0;
    samples[i] = static_cast<std::int16_t>(even);
  }
  return samples;
}

}  // namespace orvelle::test
