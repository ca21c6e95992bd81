#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/batch_output.h"
#include "cli/batch_rows.h"
#include "cli/run_options.h"

namespace orvelle::cli {

// How every row of a batch is run, as the options give it.
struct BatchJob {
  std::string plugin;  // Codec Quality of this plug-in per voice file; empty: Compare Files per pair
  PluginHosting hosting;
  bool resample = false;  // convert voice files in another sound format
  std::string logDir;     // each row's measurement log as <logDir>/<id>.log; empty: no logs
  std::string reportDir;  // each scored row's report as <reportDir>/<id>.html; empty: no reports
};

// The file name of a row's report in the report folder; the index page
// beside them is kBatchIndexFile, which no row id may claim.
std::string rowReportFile(const BatchRow& row);
inline constexpr const char* kBatchIndexFile = "index.html";

// Runs the rows through the engine on `threads` threads, writing each scored
// row's report as its row finishes, and hands each outcome to `emit` on this
// thread, in row order.
void runBatchRows(const std::vector<BatchRow>& rows, const BatchJob& job, unsigned threads,
                  const std::function<void(std::size_t, const RowOutcome&)>& emit);

}  // namespace orvelle::cli
