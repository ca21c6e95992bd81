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
  PluginHosting hosting{false, kLeagueTimeoutSeconds};
  LeagueFormat format = LeagueFormat::Table;
};

struct LeagueRow {
  std::string plugin;  // as named by the user
  CodecQualityOutcome outcome;
  double seconds = 0.0;
};

// Runs Codec Quality for each plug-in in turn; one that fails gets a row that
// says why and the others still run. Rows come back ranked: by score, best
// first, failures last, ties in the order given.
std::vector<LeagueRow> runLeague(const std::vector<std::string>& plugins, const CodecQualitySource& source,
                                 const PluginHosting& hosting);

// The bundled plug-ins by name, in alphabetical order.
std::vector<std::string> bundledPluginNames();

std::string formatLeague(const std::vector<LeagueRow>& rows, LeagueFormat format);

int runLeagueCommand(const LeagueOptions& options);

}  // namespace orvelle::cli
