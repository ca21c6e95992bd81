// Codec Quality end to end with the pass-through plug-in on the internal
// source: synthesis, recoding and scoring, as operations 2, 3 and 4 run them
// (headless, so without the pauses a watched window keeps after each).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/startup_directory.h"
#include "session/headless_progress_dialog.h"
#include "session/test_session.h"

namespace {

// A session with the pass-through plug-in loaded and the internal source's
// size taken from the benchmark's argument; false (the benchmark skipped)
// if the plug-in does not load.
bool setUpPassThrough(orvelle::TestSession& session, benchmark::State& state) {
  orvelle::platform::setStartupDirectory("/tmp/");
  session.codecPath.assign(std::string(ORVELLE_PLUGIN_DIR) + "/passthrough.so");
  if (!session.loadCodec()) {
    state.SkipWithError("the pass-through plug-in did not load");
    return false;
  }
  session.sizeType = static_cast<std::int32_t>(state.range(0));
  return true;
}

void BM_CodecQualityPassThrough(benchmark::State& state) {
  orvelle::TestSession session;
  if (!setUpPassThrough(session, state)) return;
  for (auto _ : state) {
    orvelle::HeadlessProgressDialog dialog;
    const bool ok = session.prepareVoiceData(&dialog) && session.recodeVoiceData(&dialog) &&
                    session.calculateVoiceQuality(&dialog);
    if (!ok) state.SkipWithError(session.failureReason().c_str());
    benchmark::DoNotOptimize(session.codecQuality);
    session.releaseVoiceData();
  }
  state.counters["cores"] = std::thread::hardware_concurrency();
}

BENCHMARK(BM_CodecQualityPassThrough)->Arg(0)->Arg(1)->ArgName("size")->Unit(benchmark::kSecond)->Iterations(3);

// The same run, each operation timed on its own (seconds, per run): where
// the time of a Codec Quality test goes.
void BM_CodecQualityOperations(benchmark::State& state) {
  orvelle::TestSession session;
  if (!setUpPassThrough(session, state)) return;
  using Clock = std::chrono::steady_clock;
  auto seconds = [](Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
  };
  double preparing = 0.0;
  double recoding = 0.0;
  double scoring = 0.0;
  for (auto _ : state) {
    orvelle::HeadlessProgressDialog dialog;
    const auto start = Clock::now();
    const bool prepared = session.prepareVoiceData(&dialog);
    const auto afterPreparing = Clock::now();
    const bool recoded = prepared && session.recodeVoiceData(&dialog);
    const auto afterRecoding = Clock::now();
    const bool scored = recoded && session.calculateVoiceQuality(&dialog);
    const auto end = Clock::now();
    if (!scored) state.SkipWithError(session.failureReason().c_str());
    session.releaseVoiceData();
    preparing += seconds(start, afterPreparing);
    recoding += seconds(afterPreparing, afterRecoding);
    scoring += seconds(afterRecoding, end);
    state.SetIterationTime(seconds(start, end));
  }
  const auto perRun = benchmark::Counter::kAvgIterations;
  state.counters["prepare_s"] = benchmark::Counter(preparing, perRun);
  state.counters["recode_s"] = benchmark::Counter(recoding, perRun);
  state.counters["score_s"] = benchmark::Counter(scoring, perRun);
}

BENCHMARK(BM_CodecQualityOperations)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("size")
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(3);

}  // namespace
