// What running plug-in code in a host process costs: starting a host and
// loading a plug-in in it, and recoding the Normal internal source through
// the pass-through plug-in hosted against in process (the operation's call
// alone, without its pauses for the progress window).
#include <benchmark/benchmark.h>

#include <string>

#include "session/headless_progress_dialog.h"
#include "session/plugin_calls.h"
#include "session/test_session.h"

namespace {

const std::string kPassThrough = std::string(ORVELLE_PLUGIN_DIR) + "/passthrough.so";

void BM_HostStartAndLoad(benchmark::State& state) {
  for (auto _ : state) {
    orvelle::CodecLibrary library;
    std::string error;
    if (!library.openModule(kPassThrough, false, &error) || !library.resolveEntries(kPassThrough, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    state.PauseTiming();
    library.unload();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_HostStartAndLoad)->Unit(benchmark::kMillisecond);

// Argument 1: in process; 0: hosted. Each recoding gets freshly prepared
// buffers, as the operation does.
void BM_RecodeNormalPassThrough(benchmark::State& state) {
  orvelle::TestSession session;
  session.inProcessPlugins = state.range(0) != 0;
  session.codecPath.assign(kPassThrough);
  session.sizeType = 1;
  orvelle::HeadlessProgressDialog dialog;
  if (!session.loadCodec()) {
    state.SkipWithError(session.failureReason().c_str());
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (!session.prepareVoiceData(&dialog)) {
      state.SkipWithError(session.failureReason().c_str());
      return;
    }
    state.ResumeTiming();
    std::string error;
    session.progressCurrent.store(0);
    if (!orvelle::runCodec(session.codec, kPassThrough, session.pluginCalls, session.inputSamples,
                           session.outputSamples, session.sampleCount, &session.progressCurrent,
                           session.progressTotal.load(), &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(session.outputSamples[session.sampleCount - 1]);
  }
}
BENCHMARK(BM_RecodeNormalPassThrough)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("in_process")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

}  // namespace
