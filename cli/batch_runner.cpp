#include "cli/batch_runner.h"

#include "cli/report_output.h"

namespace orvelle::cli {

namespace {

// Words a failure as the command line does, and writes a scored row's report when the batch keeps reports; a report that
// cannot be written fails the row, as a log that cannot be written does.
// The pictures go once written: rows waiting for their turn to print keep
// only their numbers.
void finishRow(const BatchRow& row, const BatchJob& job, RowOutcome& outcome) {
  if (!outcome.scored && !outcome.error.empty()) outcome.error = failureText({outcome.errorKind, "", outcome.error});
  if (!job.reportDir.empty() && outcome.scored) {
    const bool pairs = job.plugin.empty();
    std::vector<report::ReportInput> inputs =
        pairs ? compareFilesInputs(row.source, row.processed, outcome.conversionNotes)
              : codecQualityInputs(job.plugin, {row.source, 1, {}, job.resample}, outcome.frameSize);
    std::string reason;
    const report::RunReport run{pairs ? "File Quality" : "Codec Quality", std::move(inputs), outcome.score,
                                outcome.analysis};
    outcome.reportWritten = writeRunReport(job.reportDir + "/" + rowReportFile(row), run, reason);
    if (!outcome.reportWritten) outcome.error = "the report could not be written: " + reason;
  }
  outcome.analysis.pictures = RunPictures{};
}

}  // namespace

std::string rowReportFile(const BatchRow& row) { return row.id + ".html"; }

void runBatchRows(const std::vector<BatchRow>& rows, const BatchJob& job, unsigned threads,
                  const std::function<void(std::size_t, const RowOutcome&)>& emit) {
  engine::BatchJob engineJob;
  if (!job.plugin.empty()) engineJob.plugin = job.hosting.choice(job.plugin);
  engineJob.resample = job.resample;
  engineJob.logDir = job.logDir;
  engine::runBatch(
      rows, engineJob, threads, [&](const BatchRow& row, RowOutcome& outcome) { finishRow(row, job, outcome); },
      emit);
}

}  // namespace orvelle::cli
