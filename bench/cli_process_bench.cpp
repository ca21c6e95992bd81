// orvelle-cli as a user runs it, as a whole process: start, read, score,
// print, exit. Wall time includes starting the program.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

extern char** environ;

namespace {

constexpr int kPairSeconds = 10;

// Ten seconds of speech and the same at half amplitude.
void writePair(const orvelle::test::ScratchDirectory& folder, const std::string& stem, std::uint32_t seed) {
  auto speech = orvelle::test::speechLikeSignal(kPairSeconds, seed);
  orvelle::test::writeVoiceFile(folder.file(stem + "-source.pcm"), speech);
  for (auto& sample : speech) sample = static_cast<std::int16_t>(sample / 2);
  orvelle::test::writeVoiceFile(folder.file(stem + "-processed.pcm"), speech);
}

// Runs orvelle-cli with `arguments` in `folder`, its output thrown away;
// the wall time in seconds, or a negative value if it failed. `peakBytes`
// (may be null) receives the program's peak resident memory.
double runProgram(const orvelle::test::ScratchDirectory& folder, const std::vector<std::string>& arguments,
                  double* peakBytes = nullptr) {
  std::vector<std::string> words = {ORVELLE_CLI_PROGRAM, "--log-dir", folder.path().string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (spawned != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1.0;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (peakBytes != nullptr) *peakBytes = 1024.0 * static_cast<double>(usage.ru_maxrss);
  return seconds;
}

void BM_CompareFilesProcess(benchmark::State& state) {
  const orvelle::test::ScratchDirectory folder;
  writePair(folder, "pair", 1);
  for (auto _ : state) {
    const double seconds = runProgram(folder, {"compare-files", folder.file("pair-source.pcm"),
                                               folder.file("pair-processed.pcm")});
    if (seconds < 0) {
      state.SkipWithError("orvelle-cli compare-files failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_CompareFilesProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Seconds of speech scored per second of wall time, one process over a
// list of ten-second pairs on every core.
void BM_BatchThroughput(benchmark::State& state) {
  const int pairs = static_cast<int>(state.range(0));
  const orvelle::test::ScratchDirectory folder;
  std::string list = "source,processed\n";
  for (int i = 0; i < pairs; ++i) {
    const std::string stem = "pair" + std::to_string(i);
    writePair(folder, stem, static_cast<std::uint32_t>(i + 1));
    list += folder.file(stem + "-source.pcm") + "," + folder.file(stem + "-processed.pcm") + "\n";
  }
  orvelle::test::writeWholeFile(folder.file("pairs.csv"), list);
  double wall = 0.0;
  for (auto _ : state) {
    const double seconds = runProgram(folder, {"batch", folder.file("pairs.csv")});
    if (seconds < 0) {
      state.SkipWithError("orvelle-cli batch failed");
      return;
    }
    state.SetIterationTime(seconds);
    wall += seconds;
  }
  state.counters["x_real_time"] = static_cast<double>(pairs) * kPairSeconds * static_cast<double>(state.iterations()) / wall;
  state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_BatchThroughput)->Arg(64)->ArgName("pairs")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Codec Quality as a user runs it: the pass-through plug-in over the internal
// source, process start, synthesis, the plug-in host, scoring and exit
// included. Reports the highest peak memory of the runs as well.
void BM_QualityPassThroughProcess(benchmark::State& state) {
  const orvelle::test::ScratchDirectory folder;
  const std::string size = state.range(0) == 2 ? "long" : state.range(0) == 1 ? "normal" : "short";
  double peak = 0.0;
  for (auto _ : state) {
    double runPeak = 0.0;
    const double seconds = runProgram(folder, {"quality", "--codec", "passthrough", "--size", size}, &runPeak);
    if (seconds < 0) {
      state.SkipWithError("orvelle-cli quality failed");
      return;
    }
    state.SetIterationTime(seconds);
    peak = std::max(peak, runPeak);
  }
  state.counters["peak_MB"] = peak / 1e6;
  state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_QualityPassThroughProcess)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("size")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
