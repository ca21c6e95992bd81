#include "engine/league.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <utility>

#include "engine/worker_pool.h"

namespace orvelle::engine {

namespace {

PluginOutcome runOnce(const std::string& plugin, const SourceSpec& source, const PluginChoice& hosting,
                      CancelToken& cancel) {
  PluginChoice choice = hosting;
  choice.name = plugin;
  Result<CodecQualityRun> run = codecQuality(choice, source, {}, noProgress(), cancel);
  PluginOutcome outcome;
  if (!run.ok()) {
    outcome.failure = run.error().text();
    outcome.error = run.error();
    return outcome;
  }
  outcome.succeeded = true;
  outcome.frameSize = run.value().frameSize;
  outcome.score = run.value().measurement.score;
  outcome.commandOutput = run.value().commandOutput;
  outcome.analysis = std::move(run.value().measurement.analysis);
  return outcome;
}

// The runs of one plug-in over several voice files as one outcome.
PluginOutcome meanOutcome(const std::vector<LeagueFileResult>& files) {
  PluginOutcome mean;
  std::vector<CompanionFigures> companions;
  for (const LeagueFileResult& file : files) {
    if (!file.outcome.succeeded) {
      mean.failure = std::filesystem::path(file.voiceFile).filename().string() + ": " + file.outcome.failure;
      return mean;
    }
    const double share = 1.0 / static_cast<double>(files.size());
    mean.frameSize = file.outcome.frameSize;
    mean.score += share * file.outcome.score;
    mean.analysis.activityAgreement += share * file.outcome.analysis.activityAgreement;
    companions.push_back(file.outcome.analysis.companion);
  }
  mean.succeeded = !files.empty();
  mean.analysis.companion = meanCompanionFigures(companions);
  return mean;
}

LeagueRow runPlugin(const std::string& plugin, const std::vector<SourceSpec>& sources, const PluginChoice& hosting,
                    CancelToken& cancel) {
  const auto start = std::chrono::steady_clock::now();
  LeagueRow row{plugin, {}, {}, 0.0};
  if (sources.size() == 1) {
    row.outcome = runOnce(plugin, sources.front(), hosting, cancel);
  } else {
    for (const SourceSpec& source : sources) {
      row.files.push_back({source.voiceFile, runOnce(plugin, source, hosting, cancel)});
      // Only the numbers are kept of each file; its pictures are not shown.
      row.files.back().outcome.analysis.pictures = RunPictures{};
    }
    row.outcome = meanOutcome(row.files);
  }
  row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return row;
}

}  // namespace

std::vector<LeagueRow> runLeague(const std::vector<std::string>& plugins, const std::vector<SourceSpec>& sources,
                                 const PluginChoice& hosting, int jobs, CancelToken& cancel) {
  std::vector<LeagueRow> rows;
  runInOrder<LeagueRow>(
      plugins.size(), static_cast<unsigned>(std::max(jobs, 1)),
      [&](std::size_t i) { return runPlugin(plugins[i], sources, hosting, cancel); },
      [&](std::size_t, LeagueRow& row) { rows.push_back(std::move(row)); });
  std::stable_sort(rows.begin(), rows.end(), [](const LeagueRow& a, const LeagueRow& b) {
    if (a.outcome.succeeded != b.outcome.succeeded) return a.outcome.succeeded;
    return a.outcome.succeeded && a.outcome.score > b.outcome.score;
  });
  return rows;
}

CompanionFigures meanCompanionFigures(const std::vector<CompanionFigures>& runs) {
  CompanionFigures mean;
  std::vector<const CompanionFigures*> measured;
  for (const CompanionFigures& run : runs) {
    if (run.measured) measured.push_back(&run);
  }
  if (measured.empty()) return mean;
  mean.measured = true;
  const double share = 1.0 / static_cast<double>(measured.size());
  std::map<std::pair<std::int32_t, DelayMethod>, std::size_t> found;
  std::size_t mostFound = 0;
  for (const CompanionFigures* run : measured) {
    mean.segmentalSnrDb += share * run->segmentalSnrDb;
    mean.levelDifferenceDb += share * run->levelDifferenceDb;
    mean.waveformCorrelation += share * run->waveformCorrelation;
    mean.speechFrames += run->speechFrames;
    const std::size_t times = ++found[{run->delaySamples, run->delayMethod}];
    if (times > mostFound) {
      mostFound = times;
      mean.delaySamples = run->delaySamples;
      mean.delayMethod = run->delayMethod;
    }
  }
  return mean;
}

}  // namespace orvelle::engine
