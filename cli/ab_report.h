#pragma once

#include <string>
#include <vector>

#include "engine/ab_comparison.h"
#include "engine/ab_run.h"

namespace orvelle::cli {

// The file names of a row's two reports in the report folder; the index
// page beside them is kBatchIndexFile, which none of them can be.
std::string abReportFile(engine::AbSide side, const std::string& id);

// One side's runs, in row order, with what the index needs of them.
struct AbSideRuns {
  std::string plugin;  // as the user named it
  std::vector<engine::RowOutcome> outcomes;
};

// Writes a scored run's report into `dir` as abReportFile names it; a
// report that cannot be written fails the run, as in a batch.
void writeAbRunReport(const std::string& dir, engine::AbSide side, const std::string& plugin, const engine::BatchRow& row,
                      bool resample, engine::RowOutcome& outcome);

// Writes DIR/index.html: the files ranked by delta, each linking both
// builds' reports, and the files that lost most drawn in both builds.
// False, with a reason naming the file, if it could not be written.
bool writeAbIndex(const std::string& dir, const engine::AbComparison& comparison,
                  const std::vector<engine::BatchRow>& rows, const AbSideRuns& base, const AbSideRuns& next,
                  std::string& reason);

}  // namespace orvelle::cli
