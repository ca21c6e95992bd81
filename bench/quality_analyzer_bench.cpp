// Time to score a processed signal against its source: one minute of
// speech-like signal, and the length of the internal Normal signal
// (11,401,184 samples, about 23.75 minutes), each with the two signals
// analysed side by side on two threads and one after the other; and one
// row of a batch (ten seconds and the silence every voice file is read
// with, on one thread), with and without the companion figures.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "analyzer/quality_analyzer.h"
#include "platform/startup_directory.h"

namespace {

constexpr double kSampleRate = 8000.0;
constexpr std::int32_t kOneMinute = 60 * 8000;
constexpr std::int32_t kNormalLength = 11401184;

// Syllables of a pitch pulse train through three formant resonators under a
// syllable envelope, separated by pauses of faint noise. Deterministic.
std::vector<std::int16_t> makeSpeechLike(std::int32_t count) {
  std::vector<std::int16_t> signal(static_cast<std::size_t>(count));
  std::uint32_t seed = 12345u;
  auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
  };
  struct Resonator {
    double a1, a2, y1 = 0.0, y2 = 0.0;
    Resonator(double frequency, double bandwidth) {
      const double radius = std::exp(-std::numbers::pi * bandwidth / kSampleRate);
      a1 = 2.0 * radius * std::cos(2.0 * std::numbers::pi * frequency / kSampleRate);
      a2 = -radius * radius;
    }
    double operator()(double x) {
      const double y = x + a1 * y1 + a2 * y2;
      y2 = y1;
      y1 = y;
      return y;
    }
  };
  Resonator first(650.0, 90.0), second(1400.0, 120.0), third(2600.0, 180.0);
  constexpr std::int32_t kSyllable = 2400, kPause = 1600;
  double pitchPhase = 0.0;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t position = i % (kSyllable + kPause);
    double excitation = 0.03 * noise();
    double envelope = 0.0;
    if (position < kSyllable) {
      const double pitch = 110.0 + 25.0 * std::sin(2.0 * std::numbers::pi * i / 19000.0);
      pitchPhase += pitch / kSampleRate;
      if (pitchPhase >= 1.0) {
        pitchPhase -= 1.0;
        excitation += 1.0;
      }
      excitation += 0.15 * noise();
      envelope = std::sin(std::numbers::pi * position / kSyllable);
    }
    const double voiced = first(excitation) + 0.6 * second(excitation) + 0.3 * third(excitation);
    const double value = 900.0 * envelope * voiced + 30.0 * noise();
    signal[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::fmax(-32767.0, std::fmin(32767.0, value)));
  }
  return signal;
}

// A plausible codec's output: gently low-passed and coarsely requantised.
std::vector<std::int16_t> makeProcessed(const std::vector<std::int16_t>& source) {
  std::vector<std::int16_t> out(source.size());
  double previous = 0.0;
  for (std::size_t i = 0; i < source.size(); ++i) {
    const double smoothed = 0.8 * source[i] + 0.2 * previous;
    previous = source[i];
    out[i] = static_cast<std::int16_t>(std::lround(smoothed / 16.0) * 16);
  }
  return out;
}

struct Signals {
  std::vector<std::int16_t> source;
  std::vector<std::int16_t> processed;
};

const Signals& signals() {
  static const Signals value = [] {
    // Keep the measurement log out of the working directory.
    char folder[] = "/tmp/orvelle-bench-XXXXXX";
    if (mkdtemp(folder) != nullptr) orvelle::platform::setStartupDirectory(folder);
    Signals s;
    s.source = makeSpeechLike(kNormalLength);
    s.processed = makeProcessed(s.source);
    return s;
  }();
  return value;
}

void compareBuffers(benchmark::State& state, orvelle::QualityAnalyzer::Threading threading) {
  const Signals& s = signals();
  const auto length = static_cast<std::int32_t>(state.range(0));
  orvelle::QualityAnalyzer analyzer(threading);
  orvelle::ProgressCounter progress;
  double score = 0.0;
  for (auto _ : state) {
    score = analyzer.compareBuffers(s.source.data(), s.processed.data(), length, &progress);
    benchmark::DoNotOptimize(score);
  }
  state.counters["score"] = score;
  state.counters["frames"] = analyzer.lastResult().analysedFrames;
  state.counters["agreement"] = analyzer.lastResult().activityAgreement;
  state.SetItemsProcessed(state.iterations() * length);
}

void BM_CompareBuffersSideBySide(benchmark::State& state) {
  compareBuffers(state, orvelle::QualityAnalyzer::Threading::sideBySide);
}
void BM_CompareBuffersSingleThread(benchmark::State& state) {
  compareBuffers(state, orvelle::QualityAnalyzer::Threading::single);
}

// A batch row as a batch that fills every core runs it: ten seconds of
// speech followed by the 2.5 s of silence that reading a voice file adds,
// one thread, companion figures measured (1) or not (0).
void BM_BatchRowAnalysis(benchmark::State& state) {
  constexpr std::size_t kTenSeconds = 80000;
  constexpr std::size_t kTrailingSilence = 20000;
  const Signals& s = signals();
  std::vector<std::int16_t> source(s.source.begin(), s.source.begin() + kTenSeconds);
  std::vector<std::int16_t> processed(s.processed.begin(), s.processed.begin() + kTenSeconds);
  source.resize(kTenSeconds + kTrailingSilence, 0);
  processed.resize(kTenSeconds + kTrailingSilence, 0);
  orvelle::QualityAnalyzer analyzer(orvelle::QualityAnalyzer::Threading::single);
  analyzer.setCompanionFigures(state.range(0) != 0);
  const auto count = static_cast<std::int32_t>(source.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(analyzer.compareBuffers(source.data(), processed.data(), count, nullptr));
  }
  state.counters["companions"] = static_cast<double>(state.range(0));
  state.counters["delay"] = analyzer.lastResult().companion.delaySamples;
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kTenSeconds));
}

BENCHMARK(BM_BatchRowAnalysis)->Arg(0)->Arg(1)->ArgName("companions")->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CompareBuffersSideBySide)->Arg(kOneMinute)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareBuffersSideBySide)->Arg(kNormalLength)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CompareBuffersSingleThread)->Arg(kOneMinute)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareBuffersSingleThread)->Arg(kNormalLength)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
