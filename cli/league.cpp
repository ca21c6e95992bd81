#include "cli/league.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/csv_fields.h"
#include "cli/plugin_locator.h"
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
                     padded("points", 8) + padded("agreement", 11) + "time\n";
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const CodecQualityOutcome& o = row.outcome;
    text += padded(o.succeeded ? std::to_string(++rank) : "-", 6) + padded(row.plugin, nameWidth);
    if (o.succeeded) {
      text += padded(std::to_string(o.frameSize), 7) + padded(fixed(o.score, 2), 9) +
              padded(fixed(scorePoints(o.score), 2), 8) + padded(fixed(o.analysis.activityAgreement, 4), 11) +
              fixed(row.seconds, 1) + " s\n";
    } else {
      text += "failed: " + o.failure + "\n";
    }
  }
  return text;
}

std::string formatCsv(const std::vector<LeagueRow>& rows) {
  std::string text = "rank,plugin,frame_size,score,points,agreement,seconds,error\n";
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const CodecQualityOutcome& o = row.outcome;
    if (o.succeeded) {
      char numbers[256];
      std::snprintf(numbers, sizeof numbers, "%d,%.17g,%.17g,%.17g,%.3f,", o.frameSize, o.score,
                    scorePoints(o.score), o.analysis.activityAgreement, row.seconds);
      text += std::to_string(++rank) + "," + csvField(row.plugin) + "," + numbers + "\n";
    } else {
      text += "," + csvField(row.plugin) + ",,,,,," + csvField(o.failure) + "\n";
    }
  }
  return text;
}

std::string formatJson(const std::vector<LeagueRow>& rows) {
  nlohmann::json list = nlohmann::json::array();
  int rank = 0;
  for (const LeagueRow& row : rows) {
    const CodecQualityOutcome& o = row.outcome;
    nlohmann::json entry = {{"plugin", row.plugin}, {"seconds", row.seconds}};
    if (o.succeeded) {
      entry["rank"] = ++rank;
      entry["frameSize"] = o.frameSize;
      entry["score"] = o.score;
      entry["points"] = scorePoints(o.score);
      entry["agreement"] = o.analysis.activityAgreement;
      entry["error"] = nullptr;
    } else {
      entry["rank"] = nullptr;
      entry["error"] = o.failure;
    }
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

std::vector<LeagueRow> runLeague(const std::vector<std::string>& plugins, const CodecQualitySource& source,
                                 const PluginHosting& hosting) {
  std::vector<LeagueRow> rows;
  for (const std::string& plugin : plugins) {
    TestSession session;
    const auto start = std::chrono::steady_clock::now();
    LeagueRow row{plugin, runCodecQuality(session, plugin, source, hosting), 0.0};
    row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rows.push_back(std::move(row));
  }
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
  const std::vector<LeagueRow> rows = runLeague(plugins, options.source, options.hosting);
  std::cout << formatLeague(rows, options.format);
  const bool anyFailed = std::any_of(rows.begin(), rows.end(), [](const LeagueRow& r) { return !r.outcome.succeeded; });
  return anyFailed ? kExitFailed : kExitSuccess;
}

}  // namespace orvelle::cli
