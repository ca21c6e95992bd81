#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "tests/support/plugin_paths.h"

namespace orvelle::test {

// One bundled codec plug-in, loaded through the same library services the
// program uses, and called the way the program calls it.
class CodecPlugin {
 public:
  using GetFrameSizeFn = int (*)();
  using CodeAndDeCodeFn = long (*)(short*, short*, long, long*);

  explicit CodecPlugin(const std::string& name) : path_(bundledPlugin(name)) {
    // A plug-in whose codec library was missing at build time is not built.
    if (!std::filesystem::exists(path_)) return;
    handle_ = platform::loadLibrary(path_, &error_);
    if (!handle_) return;
    getFrameSize_ = reinterpret_cast<GetFrameSizeFn>(platform::findSymbol(handle_, "GetFrameSize"));
    codeAndDeCode_ = reinterpret_cast<CodeAndDeCodeFn>(platform::findSymbol(handle_, "CodeAndDeCode"));
  }
  ~CodecPlugin() { platform::unloadLibrary(handle_); }
  CodecPlugin(const CodecPlugin&) = delete;
  CodecPlugin& operator=(const CodecPlugin&) = delete;

  bool built() const { return std::filesystem::exists(path_); }
  bool complete() const { return handle_ && getFrameSize_ && codeAndDeCode_; }
  const std::string& loadError() const { return error_; }

  int frameSize() const { return getFrameSize_(); }

  // Raw call, for the tests that control the buffers themselves.
  long codeAndDeCode(short* in, short* out, long size, long* frames) const {
    return codeAndDeCode_(in, out, size, frames);
  }

  // Codes all of `input` into an output of the same size, zero-filled like
  // the program's, and returns it; the frame counter goes to `frames`.
  std::vector<short> code(std::vector<short> input, long* frames = nullptr) const {
    std::vector<short> output(input.size(), 0);
    long counter = 0;
    codeAndDeCode_(input.data(), output.data(), static_cast<long>(input.size()), &counter);
    if (frames) *frames = counter;
    return output;
  }

 private:
  std::string path_;
  std::string error_;
  platform::LibraryHandle handle_ = nullptr;
  GetFrameSizeFn getFrameSize_ = nullptr;
  CodeAndDeCodeFn codeAndDeCode_ = nullptr;
};

// Skips the running test when the plug-in was not built, and fails it when
// the plug-in was built but does not load completely.
#define ORVELLE_REQUIRE_PLUGIN(plugin)                                               \
  do {                                                                               \
    if (!(plugin).built()) GTEST_SKIP() << "plug-in not built (codec library missing)"; \
    ASSERT_TRUE((plugin).complete()) << (plugin).loadError();                        \
  } while (false)

constexpr double kSampleRate = 8000.0;

inline std::vector<short> tone(double frequency, double amplitude, std::size_t count) {
  std::vector<short> samples(count);
  for (std::size_t n = 0; n < count; ++n)
    samples[n] = static_cast<short>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * n / kSampleRate)));
  return samples;
}

// A deterministic stand-in for speech: voiced stretches (a 120 Hz harmonic
// series with a moving envelope) alternating with noise-like stretches, so
// that vocoders go through both voiced and unvoiced frames.
inline std::vector<short> speechLike(std::size_t count) {
  std::vector<short> samples(count);
  std::uint32_t seed = 12345;
  for (std::size_t n = 0; n < count; ++n) {
    const double t = n / kSampleRate;
    const bool voiced = (n / 2000) % 2 == 0;
    double value = 0.0;
    if (voiced) {
      const double envelope = 0.6 + 0.4 * std::sin(2.0 * std::numbers::pi * 3.0 * t);
      for (int h = 1; h <= 20; ++h) value += envelope * 3000.0 / h * std::sin(2.0 * std::numbers::pi * 120.0 * h * t);
    } else {
      seed = seed * 1664525u + 1013904223u;
      value = (static_cast<double>(seed >> 16) / 65535.0 - 0.5) * 6000.0;
    }
    samples[n] = static_cast<short>(std::lround(value));
  }
  return samples;
}

inline double energy(const std::vector<short>& samples, std::size_t begin, std::size_t end) {
  double sum = 0.0;
  for (std::size_t n = begin; n < end; ++n) sum += static_cast<double>(samples[n]) * samples[n];
  return sum;
}

// Signal-to-noise ratio in dB of `output` against `input` over [begin, end),
// with the output taken `delay` samples later than the input.
inline double snrDb(const std::vector<short>& input, const std::vector<short>& output, std::size_t begin,
                    std::size_t end, std::size_t delay) {
  double signal = 0.0;
  double noise = 0.0;
  for (std::size_t n = begin; n < end; ++n) {
    const double error = static_cast<double>(output[n + delay]) - input[n];
    signal += static_cast<double>(input[n]) * input[n];
    noise += error * error;
  }
  return 10.0 * std::log10(signal / std::max(noise, 1e-9));
}

// The best SNR over output delays 0 .. maxDelay: codecs with look-ahead hand
// back speech that is later than the input.
inline double delaySearchedSnrDb(const std::vector<short>& input, const std::vector<short>& output,
                                 std::size_t begin, std::size_t end, std::size_t maxDelay) {
  double best = -1e9;
  for (std::size_t delay = 0; delay <= maxDelay; ++delay) best = std::max(best, snrDb(input, output, begin, end, delay));
  return best;
}

}  // namespace orvelle::test
