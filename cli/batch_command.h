#pragma once

#include <string>
#include <vector>

#include "cli/batch_runner.h"

namespace orvelle::cli {

// A plug-in that hangs must not hold up a whole corpus for ever.
constexpr int kBatchTimeoutSeconds = 600;

struct BatchOptions {
  std::vector<std::string> inputs;  // the pair list, or voice files with --codec
  std::string voiceList;            // a file of voice files, one a line
  BatchJob job{{}, {false, kBatchTimeoutSeconds}, false, {}, {}};
  bool csv = false;
  bool groups = false;
  unsigned jobs = 0;  // 0: one per core
  std::string shard;  // "K/N"; empty: every row
  std::string resume;
};

// Scores every row, prints one line a row in input order and a summary on
// stderr. Exit status 0 if every row was scored, 1 if any failed, 2 for a
// bad list or bad options.
int runBatchCommand(const BatchOptions& options);

}  // namespace orvelle::cli
