#pragma once

#include <string>
#include <vector>

#include "cli/run_options.h"
#include "engine/league.h"

namespace orvelle::cli {

enum class LeagueFormat { Table, Csv, Json };

using engine::kLeagueTimeoutSeconds;
using engine::LeagueRow;

struct LeagueOptions {
  std::vector<std::string> plugins;  // empty: every bundled plug-in
  CodecQualitySource source;
  bool speech = false;  // every file of the bundled speech corpus instead of `source`
  PluginHosting hosting{false, kLeagueTimeoutSeconds};
  LeagueFormat format = LeagueFormat::Table;
  int jobs = 1;  // plug-ins run at the same time
};

std::string formatLeague(const std::vector<LeagueRow>& rows, LeagueFormat format);

int runLeagueCommand(const LeagueOptions& options);

}  // namespace orvelle::cli
