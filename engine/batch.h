#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analyzer/analysis_result.h"
#include "analyzer/quality_analyzer.h"
#include "engine/jobs.h"

namespace orvelle::engine {

// One row of a batch: a pair of voice files to compare, or one voice file to
// run through the codec.
struct BatchRow {
  std::int64_t number = 0;  // 1-based place in the whole input list
  std::string id;           // the row's number unless the list names it
  std::string source;       // the source voice file, or the voice file to code
  std::string processed;    // the processed voice file; empty for a voice file
};

// What one row came to.
struct RowOutcome {
  bool scored = false;
  double score = 0.0;
  AnalysisResult analysis;
  std::string error;  // why the row failed, naming the file; empty when it did not
  FailureKind errorKind = FailureKind::failed;
  std::int32_t frameSize = 0;               // of the plug-in, in a Codec Quality batch
  std::vector<std::string> conversionNotes;  // what resampling did to the row's voice files
  std::optional<OutputFit> commandOutput;    // how a codec command's output was fitted
  bool reportWritten = false;                // its report is in the batch's report folder
};

// How every row of a batch is run.
struct BatchJob {
  std::optional<PluginChoice> plugin;  // Codec Quality of this plug-in per voice file; none: Compare Files per pair
  bool resample = false;  // convert voice files in another sound format
  bool companion = true;  // measure the companion figures
  std::string logDir;     // each row's measurement log as <logDir>/<id>.log; empty: no logs
  // Whether each row's analyzer takes a second thread for the second
  // signal; runBatch makes rows single once they fill the cores.
  QualityAnalyzer::Threading analyzerThreading = QualityAnalyzer::Threading::sideBySide;
};

// One row, in a session (and so an analyzer) of its own, on this thread.
// A row that cannot be run (a file missing or bad, the plug-in crashing)
// comes back with the reason, never stopping anything else. Once `cancel`
// is set the row stops (or does not start) and comes back stopped.
RowOutcome runBatchRow(const BatchRow& row, const BatchJob& job, CancelToken& cancel = neverCancelled());

// Runs the rows on `threads` threads (each row's analyzer single when they
// are at least as many as the cores). `finishRow` (may be empty) sees each
// outcome on the thread that ran it, to write what belongs to the row alone;
// `emit` gets the outcomes on this thread, in row order, as soon as each and
// every row before it are done, so the output does not depend on the number
// of threads. Once `cancel` is set, the rows still running stop and those
// not yet started come back stopped at once.
void runBatch(const std::vector<BatchRow>& rows, const BatchJob& job, unsigned threads,
              const std::function<void(const BatchRow&, RowOutcome&)>& finishRow,
              const std::function<void(std::size_t, const RowOutcome&)>& emit,
              CancelToken& cancel = neverCancelled());

}  // namespace orvelle::engine
