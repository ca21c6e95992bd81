// Codec Quality end to end with the pass-through plug-in on the internal
// source: synthesis, recoding and scoring, as operations 2, 3 and 4 run them
// (headless, so without the pauses a watched window keeps after each).
#include <benchmark/benchmark.h>

#include <string>
#include <thread>

#include "platform/startup_directory.h"
#include "session/headless_progress_dialog.h"
#include "session/test_session.h"

namespace {

void BM_CodecQualityPassThrough(benchmark::State& state) {
  orvelle::platform::setStartupDirectory("/tmp/");
  orvelle::TestSession session;
  session.codecPath.assign(std::string(ORVELLE_PLUGIN_DIR) + "/passthrough.so");
  if (!session.loadCodec()) {
    state.SkipWithError("the pass-through plug-in did not load");
    return;
  }
  session.sizeType = static_cast<std::int32_t>(state.range(0));
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

}  // namespace
