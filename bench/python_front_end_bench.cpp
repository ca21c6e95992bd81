// The engine's own time for what the Python package's calls run, to set
// beside bench/python_front_end.py's timings of the package on the same
// speech: one compare of a ten-second pair, and a batch of 64 such pairs on
// every core. The pairs are ten-second pieces of the Normal internal
// source, each with its copy at half amplitude.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "engine/batch.h"
#include "engine/jobs.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/voice_files.h"

namespace {

constexpr std::size_t kPairSamples = 80000;  // ten seconds
constexpr int kBatchPairs = 64;

const std::vector<std::int16_t>& internalSource() {
  static const std::vector<std::int16_t> samples = [] {
    const orvelle::test::ScratchDirectory folder;
    const std::string path = folder.file("normal.pcm");
    if (!orvelle::engine::generateSignal(1, path, orvelle::engine::noProgress(), orvelle::engine::neverCancelled())) {
      return std::vector<std::int16_t>();
    }
    return orvelle::test::readVoiceFile(path);
  }();
  return samples;
}

// Piece `index` of the internal source and its copy at half amplitude.
bool pairPiece(int index, std::vector<std::int16_t>& source, std::vector<std::int16_t>& processed) {
  const std::vector<std::int16_t>& all = internalSource();
  const std::size_t start = static_cast<std::size_t>(index) * kPairSamples;
  if (all.size() < start + kPairSamples) return false;
  source.assign(all.begin() + static_cast<std::ptrdiff_t>(start),
                all.begin() + static_cast<std::ptrdiff_t>(start + kPairSamples));
  processed = source;
  for (auto& sample : processed) sample = static_cast<std::int16_t>(sample / 2);
  return true;
}

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

orvelle::engine::ScoringOptions noLog() {
  orvelle::engine::ScoringOptions options;
  options.logPath = "";
  return options;
}

void BM_CompareSamplesTenSeconds(benchmark::State& state) {
  std::vector<std::int16_t> source;
  std::vector<std::int16_t> processed;
  if (!pairPiece(0, source, processed)) {
    state.SkipWithError("the internal source could not be made");
    return;
  }
  const orvelle::engine::ScoringOptions options = noLog();
  const double cpuBefore = processCpuSeconds();
  for (auto _ : state) {
    auto result = orvelle::engine::compareSamples(source, processed, options, orvelle::engine::noProgress(),
                                                  orvelle::engine::neverCancelled());
    if (!result.ok()) {
      state.SkipWithError("the pair could not be scored");
      return;
    }
    benchmark::DoNotOptimize(result.value().score);
  }
  // The analyzer's second thread counts too, as it does for the package's
  // call; wall time swings with whatever else the machine runs.
  state.counters["process_cpu_ms"] =
      1000.0 * (processCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CompareSamplesTenSeconds)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Seconds of speech scored per second of wall time, the engine's batch over
// 64 pairs of voice files on every core.
void BM_EngineBatchThroughput(benchmark::State& state) {
  const orvelle::test::ScratchDirectory folder;
  std::vector<orvelle::engine::BatchRow> rows;
  for (int i = 0; i < kBatchPairs; ++i) {
    std::vector<std::int16_t> source;
    std::vector<std::int16_t> processed;
    if (!pairPiece(i, source, processed)) {
      state.SkipWithError("the internal source is too short for the pairs");
      return;
    }
    const std::string stem = "pair" + std::to_string(i);
    orvelle::test::writeVoiceFile(folder.file(stem + "-source.pcm"), source);
    orvelle::test::writeVoiceFile(folder.file(stem + "-processed.pcm"), processed);
    rows.push_back({i + 1, std::to_string(i + 1), folder.file(stem + "-source.pcm"),
                    folder.file(stem + "-processed.pcm")});
  }
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  for (auto _ : state) {
    int scored = 0;
    orvelle::engine::runBatch(rows, {}, threads, {},
                              [&](std::size_t, const orvelle::engine::RowOutcome& outcome) { scored += outcome.scored; });
    if (scored != kBatchPairs) {
      state.SkipWithError("a pair failed");
      return;
    }
  }
  state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(kBatchPairs) * 10.0 *
                                                         static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EngineBatchThroughput)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
