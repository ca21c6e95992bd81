#include "cli/league.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <system_error>
#include <thread>

#include "cli/commands.h"
#include "cli/companion_report.h"
#include "cli/csv_fields.h"
#include "cli/plugin_locator.h"
#include "cli/speech_corpus.h"
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
    const CodecQualityOutcome& o = row.outcome;
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
  std::string text = "rank,plugin,frame_size,score,points,agreement,seconds,error," + companionCsvHeader() + "\n";
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const CodecQualityOutcome& o = row.outcome;
    if (o.succeeded) {
      char numbers[256];
      std::snprintf(numbers, sizeof numbers, "%d,%.17g,%.17g,%.17g,%.3f,", o.frameSize, o.score,
                    scorePoints(o.score), o.analysis.activityAgreement, row.seconds);
      text += std::to_string(++rank) + "," + csvField(row.plugin) + "," + numbers + "," +
              companionCsvFields(o.analysis.companion) + "\n";
    } else {
      text += "," + csvField(row.plugin) + ",,,,,," + csvField(o.failure) + "," + companionCsvFields({}) + "\n";
    }
  }
  return text;
}

// What one run, or one row's mean, measured; or why it failed.
void putOutcome(nlohmann::json& entry, const CodecQualityOutcome& o) {
  if (o.succeeded) {
    entry["score"] = o.score;
    entry["points"] = scorePoints(o.score);
    entry["agreement"] = o.analysis.activityAgreement;
    entry["companion"] = companionJson(o.analysis.companion);
    entry["error"] = nullptr;
  } else {
    entry["error"] = o.failure;
  }
}

nlohmann::json filesJson(const std::vector<LeagueFileResult>& files) {
  nlohmann::json list = nlohmann::json::array();
  for (const LeagueFileResult& file : files) {
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
    const CodecQualityOutcome& o = row.outcome;
    nlohmann::json entry = {{"plugin", row.plugin}, {"seconds", row.seconds}};
    entry["rank"] = o.succeeded ? nlohmann::json(++rank) : nlohmann::json(nullptr);
    if (o.succeeded) entry["frameSize"] = o.frameSize;
    putOutcome(entry, o);
    if (!row.files.empty()) entry["files"] = filesJson(row.files);
    list.push_back(entry);
  }
  // Paths and a plug-in's exception text are bytes, not necessarily UTF-8;
  // a bad byte becomes U+FFFD instead of costing every row.
  return nlohmann::json{{"rows", list}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

std::vector<std::string> bundledPluginNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(bundledPluginDirectory(), error)) {
    if (entry.path().extension() == ".so") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// The runs of one plug-in over several voice files as one outcome.
CodecQualityOutcome meanOutcome(const std::vector<LeagueFileResult>& files) {
  CodecQualityOutcome mean;
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

LeagueRow runPlugin(const std::string& plugin, const std::vector<CodecQualitySource>& sources,
                    const PluginHosting& hosting) {
  TestSession session;
  const auto start = std::chrono::steady_clock::now();
  LeagueRow row{plugin, {}, {}, 0.0};
  if (sources.size() == 1) {
    row.outcome = runCodecQuality(session, plugin, sources.front(), hosting);
  } else {
    for (const CodecQualitySource& source : sources) {
      row.files.push_back({source.voiceFile, runCodecQuality(session, plugin, source, hosting)});
    }
    row.outcome = meanOutcome(row.files);
  }
  row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return row;
}

}  // namespace

std::vector<LeagueRow> runLeague(const std::vector<std::string>& plugins,
                                 const std::vector<CodecQualitySource>& sources, const PluginHosting& hosting,
                                 int jobs) {
  // Each plug-in has a session (and host) of its own, so several can run at
  // once; the rows keep the order given until they are ranked.
  std::vector<LeagueRow> rows(plugins.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < plugins.size(); i = next++) rows[i] = runPlugin(plugins[i], sources, hosting);
  };
  std::vector<std::thread> helpers;
  const std::size_t helperCount = std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), plugins.size());
  try {
    for (std::size_t h = 1; h < helperCount; ++h) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads to be had: the ones there are share the work.
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  std::stable_sort(rows.begin(), rows.end(), [](const LeagueRow& a, const LeagueRow& b) {
    if (a.outcome.succeeded != b.outcome.succeeded) return a.outcome.succeeded;
    return a.outcome.succeeded && a.outcome.score > b.outcome.score;
  });
  return rows;
}

std::string formatLeague(const std::vector<LeagueRow>& rows, LeagueFormat format) {
  switch (format) {
    case LeagueFormat::Csv: return formatCsv(rows);
    case LeagueFormat::Json: return formatJson(rows);
    case LeagueFormat::Table: break;
  }
  return formatTable(rows);
}

int runLeagueCommand(const LeagueOptions& options) {
  const std::vector<std::string> plugins = options.plugins.empty() ? bundledPluginNames() : options.plugins;
  if (plugins.empty()) {
    std::fprintf(stderr, "no plug-ins given and none bundled in %s\n", bundledPluginDirectory().c_str());
    return kExitFailed;
  }
  std::vector<CodecQualitySource> sources{options.source};
  if (options.speech) {
    const SpeechCorpus corpus = bundledSpeechCorpus();
    if (!corpus.unavailable.empty()) {
      std::fprintf(stderr, "%s\n", corpus.unavailable.c_str());
      return kExitFailed;
    }
    sources.clear();
    for (const std::string& file : corpus.files) sources.push_back({file, options.source.sizeType, "", false});
  }
  const std::vector<LeagueRow> rows = runLeague(plugins, sources, options.hosting, options.jobs);
  std::cout << formatLeague(rows, options.format);
  const bool anyFailed = std::any_of(rows.begin(), rows.end(), [](const LeagueRow& r) { return !r.outcome.succeeded; });
  return anyFailed ? kExitFailed : kExitSuccess;
}

}  // namespace orvelle::cli
