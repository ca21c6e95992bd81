#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace orvelle::test {

// A deterministic stand-in for speech: bursts of broadband noise with a slow
// loudness contour, separated by silences. Every frequency band carries
// energy, and the activity detector sees the bursts as speech.
inline std::vector<std::int16_t> speechLikeSignal(std::int32_t seconds, std::uint32_t seed = 12345) {
  constexpr int kRate = 8000;
  constexpr int kBurst = 6400;    // 0.8 s of sound
  constexpr int kSilence = 3200;  // 0.4 s of silence
  std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds) * kRate, 0);
  std::uint32_t state = seed;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::size_t phase = i % (kBurst + kSilence);
    if (phase >= kBurst) continue;
    state = state * 1664525u + 1013904223u;
    const double noise = static_cast<double>(static_cast<std::int32_t>(state >> 16) - 32768) / 32768.0;
    const double contour = std::sin(3.141592653589793 * static_cast<double>(phase) / kBurst);
    samples[i] = static_cast<std::int16_t>(noise * contour * 8000.0);
  }
  return samples;
}

// The same with every sample even, so that a half-amplitude codec halves it
// exactly and loses exactly 6 dB.
inline std::vector<std::int16_t> evenSpeechLikeSignal(std::int32_t seconds) {
  std::vector<std::int16_t> speech = speechLikeSignal(seconds);
  for (auto& sample : speech) sample = static_cast<std::int16_t>(sample & ~1);
  return speech;
}

}  // namespace orvelle::test
