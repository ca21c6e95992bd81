#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "analyzer/quality_analyzer.h"
#include "cli/batch_output.h"
#include "cli/batch_rows.h"
#include "cli/codec_quality_run.h"

namespace orvelle::cli {

// How every row of a batch is run.
struct BatchJob {
  std::string plugin;  // Codec Quality of this plug-in per voice file; empty: Compare Files per pair
  PluginHosting hosting;
  bool resample = false;  // convert voice files in another sound format
  std::string logDir;     // each row's measurement log as <logDir>/<id>.log; empty: no logs
  std::string reportDir;  // each scored row's report as <reportDir>/<id>.html; empty: no reports
  // Whether each row's analyzer takes a second thread for the second
  // signal; runBatchRows makes rows single once they fill the cores.
  QualityAnalyzer::Threading analyzerThreading = QualityAnalyzer::Threading::sideBySide;
};

// The file name of a row's report in the report folder; the index page
// beside them is kBatchIndexFile, which no row id may claim.
std::string rowReportFile(const BatchRow& row);
inline constexpr const char* kBatchIndexFile = "index.html";

// One row, in a session (and so an analyzer) of its own, on this thread.
// A row that cannot be run (a file missing or bad, the plug-in crashing)
// comes back with the reason, never stopping anything else.
RowOutcome runBatchRow(const BatchRow& row, const BatchJob& job);

// Runs the rows on `threads` threads (each row's analyzer single when they
// are at least as many as the cores) and hands each outcome to `emit` on
// this thread, in row order, as soon as it and every row before it are
// done, so the output does not depend on the number of threads.
void runBatchRows(const std::vector<BatchRow>& rows, const BatchJob& job, unsigned threads,
                  const std::function<void(std::size_t, const RowOutcome&)>& emit);

}  // namespace orvelle::cli
