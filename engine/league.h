#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analyzer/analysis_result.h"
#include "engine/jobs.h"

namespace orvelle::engine {

// A plug-in that hangs must not hold up the rows after it for ever.
constexpr int kLeagueTimeoutSeconds = 600;

// One Codec Quality run of a league, or the mean of several.
struct PluginOutcome {
  bool succeeded = false;
  std::string failure;  // the message and its reason, when it did not succeed
  JobError error;       // the same, as the run returned it
  std::int32_t frameSize = 0;
  double score = 0.0;
  AnalysisResult analysis;
  std::optional<OutputFit> commandOutput;  // how a codec command's output was fitted
};

// One plug-in's Codec Quality on one voice file of several.
struct LeagueFileResult {
  std::string voiceFile;
  PluginOutcome outcome;
};

struct LeagueRow {
  std::string plugin;  // as named by the user
  // With one source, its run; with several, their mean score, agreement and
  // companion figures, failed if any run failed (with the first failure).
  PluginOutcome outcome;
  std::vector<LeagueFileResult> files;  // each run, when there were several sources
  double seconds = 0.0;
};

// Runs Codec Quality for each plug-in on each source, `jobs` plug-ins at a
// time, each in a session (and host) of its own; one that fails gets a row
// that says why and the others still run. Rows come back ranked: by score,
// best first, failures last, ties in the order given. Once `cancel` is set,
// the runs still going stop and those not yet started fail as stopped.
std::vector<LeagueRow> runLeague(const std::vector<std::string>& plugins, const std::vector<SourceSpec>& sources,
                                 const PluginChoice& hosting, int jobs, CancelToken& cancel = neverCancelled());

// The figures of several runs of one plug-in: SNR, level and correlation
// averaged, speech frames summed, and the delay (with its method) that most
// runs found; of equally many, the one that got there first.
CompanionFigures meanCompanionFigures(const std::vector<CompanionFigures>& runs);

}  // namespace orvelle::engine
