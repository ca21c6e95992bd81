// Throughput of the speech-activity detector on a speech-like signal:
// voiced syllables (a pitch pulse train through two formant resonators, with
// a syllable envelope) separated by pauses of low background noise.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/speech_activity_detector.h"

namespace {

constexpr int kSampleRate = 8000;
constexpr int kSeconds = 20;

std::vector<std::int16_t> makeSpeechLikeSignal() {
  const int count = kSampleRate * kSeconds;
  std::vector<std::int16_t> signal(count);
  std::uint32_t seed = 12345u;
  auto noise = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<std::int32_t>(seed >> 8) - (1 << 23)) / (1 << 23);
  };
  // Two resonators (formants near 700 Hz and 1200 Hz).
  auto resonator = [](double frequency, double bandwidth) {
    const double radius = std::exp(-M_PI * bandwidth / kSampleRate);
    return std::pair<double, double>{2.0 * radius * std::cos(2.0 * M_PI * frequency / kSampleRate), -radius * radius};
  };
  const auto [a1, a2] = resonator(700.0, 90.0);
  const auto [b1, b2] = resonator(1200.0, 110.0);
  double f1y1 = 0.0, f1y2 = 0.0, f2y1 = 0.0, f2y2 = 0.0;
  const int syllable = kSampleRate * 3 / 10;  // 300 ms of voice
  const int pause = kSampleRate / 5;          // 200 ms of pause
  for (int n = 0; n < count; ++n) {
    const int phase = n % (syllable + pause);
    double sample = 30.0 * noise();
    double excitation = 0.0;
    if (phase < syllable) {
      const int pitchPeriod = 60 + (n / 4000) % 15;  // about 115 to 133 Hz, drifting
      excitation = (n % pitchPeriod == 0) ? 1.0 : 0.0;
      excitation += 0.02 * noise();
    }
    const double y1 = excitation + a1 * f1y1 + a2 * f1y2;
    f1y2 = f1y1;
    f1y1 = y1;
    const double y2 = y1 + b1 * f2y1 + b2 * f2y2;
    f2y2 = f2y1;
    f2y1 = y2;
    if (phase < syllable) {
      const double envelope = std::sin(M_PI * phase / syllable);
      sample += 900.0 * envelope * y2;
    }
    sample = std::fmax(-32768.0, std::fmin(32767.0, sample));
    signal[n] = static_cast<std::int16_t>(std::lrint(sample));
  }
  return signal;
}

void BM_SpeechActivityDetectorProcessFrame(benchmark::State& state) {
  const std::vector<std::int16_t> signal = makeSpeechLikeSignal();
  const int frames = static_cast<int>(signal.size()) / orvelle::SpeechActivityDetector::kFrameLength;
  orvelle::SpeechActivityDetector detector;
  detector.reset();
  int frame = 0;
  std::int64_t speechFrames = 0;
  for (auto _ : state) {
    speechFrames += detector.processFrame(signal.data() + frame * orvelle::SpeechActivityDetector::kFrameLength);
    if (++frame == frames) {
      frame = 0;
    }
  }
  benchmark::DoNotOptimize(speechFrames);
  state.SetItemsProcessed(state.iterations());
  state.counters["speech_share"] =
      benchmark::Counter(static_cast<double>(speechFrames) / static_cast<double>(state.iterations()));
  state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(state.iterations()) * 0.01,
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SpeechActivityDetectorProcessFrame);

// Runs of frames handed over at once, as the analyzer does: the time per
// frame of the whole signal.
void BM_SpeechActivityDetectorProcessFrames(benchmark::State& state) {
  const std::vector<std::int16_t> signal = makeSpeechLikeSignal();
  const int frames = static_cast<int>(signal.size()) / orvelle::SpeechActivityDetector::kFrameLength;
  std::vector<std::int32_t> decisions(static_cast<std::size_t>(frames));
  std::int64_t speechFrames = 0;
  for (auto _ : state) {
    orvelle::SpeechActivityDetector detector;
    detector.processFrames(signal.data(), frames, decisions.data());
    for (std::int32_t d : decisions) speechFrames += d;
  }
  benchmark::DoNotOptimize(speechFrames);
  state.SetItemsProcessed(state.iterations() * frames);
  state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SpeechActivityDetectorProcessFrames);

// Two signals classified together on one thread, as a single-threaded
// analyzer run does, the second at half the level of the first: the time per
// frame of one signal.
void classifyPair(benchmark::State& state, const std::vector<std::int16_t>& signal) {
  std::vector<std::int16_t> other(signal.size());
  for (std::size_t i = 0; i < signal.size(); ++i) other[i] = static_cast<std::int16_t>(signal[i] / 2);
  const int frames = static_cast<int>(signal.size()) / orvelle::SpeechActivityDetector::kFrameLength;
  std::vector<std::int32_t> decisions[2] = {std::vector<std::int32_t>(static_cast<std::size_t>(frames)),
                                            std::vector<std::int32_t>(static_cast<std::size_t>(frames))};
  std::int64_t speechFrames = 0;
  for (auto _ : state) {
    orvelle::SpeechActivityDetector first;
    orvelle::SpeechActivityDetector second;
    orvelle::SpeechActivityDetector::processFramesPair(first, signal.data(), second, other.data(), frames,
                                                       decisions[0].data(), decisions[1].data());
    for (const auto& run : decisions) {
      for (std::int32_t d : run) speechFrames += d;
    }
  }
  benchmark::DoNotOptimize(speechFrames);
  state.SetItemsProcessed(2 * state.iterations() * frames);
  state.counters["ns_per_frame"] = benchmark::Counter(2.0 * static_cast<double>(state.iterations()) * frames,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SpeechActivityDetectorPairPerFrame(benchmark::State& state) { classifyPair(state, makeSpeechLikeSignal()); }
BENCHMARK(BM_SpeechActivityDetectorPairPerFrame);

// The same with 2.5 s of digital silence after every 10 s, as every voice
// file is scored: the pre-processed signal decays into the subnormal numbers
// there.
void BM_SpeechActivityDetectorPairThroughSilence(benchmark::State& state) {
  const std::vector<std::int16_t> speech = makeSpeechLikeSignal();
  constexpr std::size_t kStretch = 10 * kSampleRate;
  constexpr std::size_t kSilence = 5 * kSampleRate / 2;
  std::vector<std::int16_t> signal;
  for (std::size_t start = 0; start + kStretch <= speech.size(); start += kStretch) {
    signal.insert(signal.end(), speech.begin() + static_cast<std::ptrdiff_t>(start),
                  speech.begin() + static_cast<std::ptrdiff_t>(start + kStretch));
    signal.resize(signal.size() + kSilence, 0);
  }
  classifyPair(state, signal);
}
BENCHMARK(BM_SpeechActivityDetectorPairThroughSilence);

}  // namespace
