// What the desktop window and --report cost once a run has ended: the whole
// HTML page of a 25-minute run (its activity timeline aggregated into pixel
// columns), and the pictures' memory. Run from the finished run's data, on
// the thread that shows it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "analyzer/analysis_result.h"
#include "report/run_report.h"

namespace {

using namespace orvelle;

// The pictures of a run of `minutes`: speech switching every 0.8 s in the
// source and every 1.1 s in the processed signal (blocks of eight frames,
// as the detector's hang-over leaves them), realistic spectra and bands.
report::RunReport runOf(std::int32_t minutes) {
  report::RunReport run;
  run.measure = "Codec Quality";
  run.score = 63.99;
  RunPictures& pictures = run.analysis.pictures;
  pictures.binHz = 7.8125;
  for (int bin = 0; bin < 512; ++bin) {
    pictures.sourceSpectrum.push_back(1e5 / (1.0 + bin));
    pictures.processedSpectrum.push_back(0.7e5 / (1.0 + bin));
  }
  for (std::size_t g = 0; g < pictures.mainGroups.size(); ++g) {
    pictures.mainGroups[g].number = static_cast<std::int32_t>(g) + 1;
    for (int c = 0; c < 20; ++c) {
      pictures.mainGroups[g].bands.push_back({c * 190.0, c * 190.0 + 180.0, 1e6 / (1.0 + c), 0.6e6 / (1.0 + c), true,
                                              5.0, 2.0});
    }
  }
  const std::int32_t frames = minutes * 6000;
  std::vector<std::int16_t> source(static_cast<std::size_t>(frames));
  std::vector<std::int16_t> processed(static_cast<std::size_t>(frames));
  for (std::int32_t k = 0; k < frames; ++k) {
    source[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((k / 80) % 2);
    processed[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((k / 8 * 8 / 110) % 2);
  }
  pictures.activity = ActivityTimeline::fromFlags(source.data(), processed.data(), frames);
  return run;
}

void BM_ReportPage(benchmark::State& state) {
  const report::RunReport run = runOf(static_cast<std::int32_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string html = report::reportHtml(run);
    bytes = html.size();
    benchmark::DoNotOptimize(html.data());
  }
  state.counters["pageKiB"] = static_cast<double>(bytes) / 1024.0;
  state.counters["activityRuns"] = static_cast<double>(run.analysis.pictures.activity.runs.size());
  state.counters["picturesKiB"] =
      static_cast<double>(run.analysis.pictures.activity.runs.size() * sizeof(ActivityRun) +
                          2 * 512 * sizeof(double) + 5 * 20 * sizeof(BandPicture)) /
      1024.0;
}
BENCHMARK(BM_ReportPage)->Arg(1)->Arg(25)->Unit(benchmark::kMillisecond);

}  // namespace
