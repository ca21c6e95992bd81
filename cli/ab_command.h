#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/ab_output.h"
#include "cli/batch_command.h"
#include "cli/run_options.h"

namespace orvelle::cli {

struct AbOptions {
  std::vector<std::string> codecs;  // base, then new; none: compare stored results
  std::vector<std::string> inputs;  // voice files with --codec, else the two stored batch results
  std::string voiceList;            // a file of voice files, one a line
  bool speech = false;              // every file of the bundled speech corpus
  bool resample = false;
  PluginHosting hosting{false, kBatchTimeoutSeconds};
  unsigned jobs = 0;  // 0: one per core
  AbFormat format = AbFormat::Table;
  std::optional<double> failIfWorse;     // score percentage points
  std::optional<double> failIfAnyWorse;
  std::string reportDir;  // absolute; empty: no reports
};

// Compares two builds of a codec file by file, prints the deltas and their
// summary, and applies the gates. Exit status 0; 1 when a gate fails, a
// file failed on either side, no file was scored by both, or the reports
// could not be written; 2 for bad options or unreadable results.
int runAbCommand(const AbOptions& options);

}  // namespace orvelle::cli
