#pragma once

#include <string>
#include <vector>

#include "cli/codec_quality_run.h"

namespace orvelle::cli {

enum class LeagueFormat { Table, Csv, Json };

// A plug-in that hangs must not hold up the rows after it for ever.
constexpr int kLeagueTimeoutSeconds = 600;

struct LeagueOptions {
  std::vector<std::string> plugins;  // empty: every bundled plug-in
  CodecQualitySource source;
  bool speech = false;  // every file of the bundled speech corpus instead of `source`
  PluginHosting hosting{false, kLeagueTimeoutSeconds};
  LeagueFormat format = LeagueFormat::Table;
  int jobs = 1;  // plug-ins run at the same time
};

// One plug-in's Codec Quality on one voice file of several.
struct LeagueFileResult {
  std::string voiceFile;
  CodecQualityOutcome outcome;
};

struct LeagueRow {
  std::string plugin;  // as named by the user
  // With one source, its run; with several, their mean score, agreement and
  // companion figures, failed if any run failed (with the first failure).
  CodecQualityOutcome outcome;
  std::vector<LeagueFileResult> files;  // each run, when there were several sources
  double seconds = 0.0;
};

// Runs Codec Quality for each plug-in on each source, `jobs` plug-ins at a
// time; one that fails gets a row that says why and the others still run.
// Rows come back ranked: by score, best first, failures last, ties in the
// order given.
std::vector<LeagueRow> runLeague(const std::vector<std::string>& plugins,
                                 const std::vector<CodecQualitySource>& sources, const PluginHosting& hosting,
                                 int jobs);

// The bundled plug-ins by name, in alphabetical order.
std::vector<std::string> bundledPluginNames();

std::string formatLeague(const std::vector<LeagueRow>& rows, LeagueFormat format);

int runLeagueCommand(const LeagueOptions& options);

}  // namespace orvelle::cli
