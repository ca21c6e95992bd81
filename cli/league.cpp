#include "analyzer/measure_version.h"
#include "cli/league.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/companion_report.h"
#include "cli/csv_fields.h"
#include "cli/json_report.h"
#include "engine/plugin_catalog.h"
#include "engine/speech_corpus.h"
#include "session/result_text.h"

namespace orvelle::cli {

namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string formatTable(const std::vector<LeagueRow>& rows) {
  std::size_t nameWidth = 8;
  for (const LeagueRow& row : rows) nameWidth = std::max(nameWidth, row.plugin.size() + 2);
  std::string text = padded("rank", 6) + padded("plug-in", nameWidth) + padded("frame", 7) + padded("score %", 9) +
                     padded("points", 8) + padded("agreement", 11) + companionTableHeader() + "time\n";
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const engine::PluginOutcome& o = row.outcome;
    text += padded(o.succeeded ? std::to_string(++rank) : "-", 6) + padded(row.plugin, nameWidth);
    if (o.succeeded) {
      text += padded(std::to_string(o.frameSize), 7) + padded(fixed(o.score, 2), 9) +
              padded(fixed(scorePoints(o.score), 2), 8) + padded(fixed(o.analysis.activityAgreement, 4), 11) +
              companionTableCells(o.analysis.companion) + fixed(row.seconds, 1) + " s\n";
    } else {
      text += "failed: " + o.failure + "\n";
    }
  }
  return text;
}

std::string formatCsv(const std::vector<LeagueRow>& rows) {
  std::string text =
      "rank,plugin,frame_size,score,points,agreement,seconds,error," + companionCsvHeader() + ",version,measure_version\n";
  const std::string build = std::string(",") + programVersion() + "," + std::to_string(kMeasureVersion) + "\n";
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const engine::PluginOutcome& o = row.outcome;
    if (o.succeeded) {
      char numbers[256];
      std::snprintf(numbers, sizeof numbers, "%d,%.17g,%.17g,%.17g,%.3f,", o.frameSize, o.score,
                    scorePoints(o.score), o.analysis.activityAgreement, row.seconds);
      text += std::to_string(++rank) + "," + csvField(row.plugin) + "," + numbers + "," +
              companionCsvFields(o.analysis.companion) + build;
    } else {
      text += "," + csvField(row.plugin) + ",,,,,," + csvField(o.failure) + "," + companionCsvFields(CompanionFigures{}) + build;
    }
  }
  return text;
}

// What one run, or one row's mean, measured; or why it failed.
void putOutcome(nlohmann::json& entry, const engine::PluginOutcome& o) {
  if (o.succeeded) {
    entry["score"] = o.score;
    entry["points"] = scorePoints(o.score);
    entry["agreement"] = o.analysis.activityAgreement;
    entry["companion"] = companionJson(o.analysis.companion);
    if (o.commandOutput) entry["commandOutput"] = commandOutputJson(*o.commandOutput);
    entry["error"] = nullptr;
  } else {
    entry["error"] = o.failure;
  }
}

nlohmann::json filesJson(const std::vector<engine::LeagueFileResult>& files) {
  nlohmann::json list = nlohmann::json::array();
  for (const engine::LeagueFileResult& file : files) {
    nlohmann::json entry = {{"voiceFile", std::filesystem::path(file.voiceFile).filename().string()}};
    putOutcome(entry, file.outcome);
    list.push_back(entry);
  }
  return list;
}

std::string formatJson(const std::vector<LeagueRow>& rows) {
  nlohmann::json list = nlohmann::json::array();
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const engine::PluginOutcome& o = row.outcome;
    nlohmann::json entry = {{"plugin", row.plugin}, {"seconds", row.seconds}};
    entry["rank"] = o.succeeded ? nlohmann::json(++rank) : nlohmann::json(nullptr);
    if (o.succeeded) entry["frameSize"] = o.frameSize;
    putOutcome(entry, o);
    if (!row.files.empty()) entry["files"] = filesJson(row.files);
    list.push_back(entry);
  }
  // Paths and a plug-in's exception text are bytes, not necessarily UTF-8;
  // a bad byte becomes U+FFFD instead of costing every row.
  const nlohmann::json league = {{"rows", list}, {"version", programVersion()}, {"measureVersion", kMeasureVersion}};
  return league.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string formatLeague(const std::vector<LeagueRow>& rows, LeagueFormat format) {
  switch (format) {
    case LeagueFormat::Csv: return formatCsv(rows);
    case LeagueFormat::Json: return formatJson(rows);
    case LeagueFormat::Table: break;
  }
  return formatTable(rows);
}

int runLeagueCommand(const LeagueOptions& options) {
  const std::vector<std::string> plugins = options.plugins.empty() ? engine::bundledCodecNames() : options.plugins;
  if (plugins.empty()) {
    std::fprintf(stderr, "no plug-ins given and none bundled in %s\n", engine::bundledPluginDirectory().c_str());
    return kExitFailed;
  }
  std::vector<engine::SourceSpec> sources{options.source.asSourceSpec()};
  // Paths are fixed before any plug-in code runs, which could change the
  // working folder (in process); rows keep the names as given.
  if (!sources.front().voiceFile.empty()) sources.front().voiceFile = absolutePath(sources.front().voiceFile);
  std::map<std::string, std::string> givenNames;
  std::vector<std::string> running;
  for (const std::string& plugin : plugins) {
    running.push_back(absolutePluginPath(plugin));
    givenNames.emplace(running.back(), plugin);
  }
  if (options.speech) {
    const engine::SpeechCorpus corpus = engine::bundledSpeechCorpus();
    if (!corpus.unavailable.empty()) {
      std::fprintf(stderr, "%s\n", corpus.unavailable.c_str());
      return kExitFailed;
    }
    sources.clear();
    for (const std::string& file : corpus.files) sources.push_back({file, options.source.sizeType, false});
  }
  std::vector<LeagueRow> rows = engine::runLeague(running, sources, options.hosting.choice({}), options.jobs);
  for (LeagueRow& row : rows) row.plugin = givenNames.at(row.plugin);
  // Each failed run is told on stderr as every subcommand tells it; its row
  // says it again among the results.
  for (const LeagueRow& row : rows) {
    if (row.files.empty() && !row.outcome.succeeded) printFailure(row.outcome.error);
    if (row.outcome.commandOutput && !outputFitNote(*row.outcome.commandOutput).empty()) {
      std::fprintf(stderr, "%s: %s\n", row.plugin.c_str(), outputFitNote(*row.outcome.commandOutput).c_str());
    }
    for (const engine::LeagueFileResult& file : row.files) {
      if (!file.outcome.succeeded) printFailure(file.outcome.error);
    }
  }
  std::cout << formatLeague(rows, options.format);
  const bool anyFailed = std::any_of(rows.begin(), rows.end(), [](const LeagueRow& r) { return !r.outcome.succeeded; });
  return anyFailed ? kExitFailed : kExitSuccess;
}

}  // namespace orvelle::cli
