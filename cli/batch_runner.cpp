#include "cli/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/operation_runner.h"
#include "cli/report_output.h"

namespace orvelle::cli {

namespace {

// Writes a scored row's report when the batch keeps reports; a report that
// cannot be written fails the row, as a log that cannot be written does.
// The pictures go once written: rows waiting for their turn to print keep
// only their numbers.
void reportRow(const BatchRow& row, const BatchJob& job, const std::string& measure,
               std::vector<report::ReportInput> inputs, RowOutcome& outcome) {
  if (!job.reportDir.empty() && outcome.scored) {
    std::string reason;
    const report::RunReport run{measure, std::move(inputs), outcome.score, outcome.analysis};
    outcome.reportWritten = writeRunReport(job.reportDir + "/" + rowReportFile(row), run, reason);
    if (!outcome.reportWritten) outcome.error = "the report could not be written: " + reason;
  }
  outcome.analysis.pictures = RunPictures{};
}

RowOutcome compareFilesRow(const BatchRow& row, const BatchJob& job, const std::string& logPath) {
  RowOutcome outcome;
  TestSession session;
  session.analyzer().setLogPath(logPath);
  session.analyzer().setThreading(job.analyzerThreading);
  if (!session.sourceFilePath.assign(row.source)) {
    outcome.error = textTooLongMessage("Source voice file path", row.source);
    return outcome;
  }
  if (!session.processedFilePath.assign(row.processed)) {
    outcome.error = textTooLongMessage("Processed voice file path", row.processed);
    return outcome;
  }
  session.otherVoiceFormats = job.resample ? OtherFormats::resample : OtherFormats::refuse;
  session.analyzer().setCompanionFigures(true);
  OperationRunner runner(session, Reporting::quiet);
  if (!runner.run(kCalculateFileQuality)) {
    outcome.error = std::string(operationErrorMessage(kCalculateFileQuality)) + " " + session.failureReason();
    return outcome;
  }
  outcome.scored = true;
  outcome.score = session.fileQuality;
  outcome.analysis = session.analyzer().lastResult();
  reportRow(row, job, "File Quality", compareFilesInputs(row.source, row.processed, session.analyzer().conversionNotes()),
            outcome);
  return outcome;
}

RowOutcome codecQualityRow(const BatchRow& row, const BatchJob& job, const std::string& logPath) {
  TestSession session;
  session.analyzer().setLogPath(logPath);
  session.analyzer().setThreading(job.analyzerThreading);
  CodecQualitySource source;
  source.voiceFile = row.source;
  source.resample = job.resample;
  const CodecQualityOutcome run = runCodecQuality(session, job.plugin, source, job.hosting, Reporting::quiet);
  RowOutcome outcome;
  outcome.scored = run.succeeded;
  outcome.score = run.score;
  outcome.analysis = run.analysis;
  outcome.error = run.failure;
  reportRow(row, job, "Codec Quality", codecQualityInputs(job.plugin, source, run.frameSize), outcome);
  return outcome;
}

}  // namespace

std::string rowReportFile(const BatchRow& row) { return row.id + ".html"; }

RowOutcome runBatchRow(const BatchRow& row, const BatchJob& job) {
  const std::string logPath = job.logDir.empty() ? std::string() : job.logDir + "/" + row.id + ".log";
  RowOutcome outcome;
  try {
    outcome = job.plugin.empty() ? compareFilesRow(row, job, logPath) : codecQualityRow(row, job, logPath);
  } catch (const std::exception& e) {
    outcome = RowOutcome{};
    outcome.error = std::string("the row could not be run: ") + e.what();
  }
  if (outcome.scored && !logPath.empty() && !outcome.analysis.logWritten) {
    outcome.error = "the measurement log \"" + logPath + "\" could not be written";
  }
  return outcome;
}

void runBatchRows(const std::vector<BatchRow>& rows, const BatchJob& job, unsigned threads,
                  const std::function<void(std::size_t, const RowOutcome&)>& emit) {
  std::vector<std::optional<RowOutcome>> outcomes(rows.size());
  std::mutex mutex;
  std::condition_variable done;
  std::atomic<std::size_t> next{0};
  const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), rows.size());
  // Rows that keep every core busy gain nothing from a second thread each;
  // they would only pay for starting it.
  BatchJob rowJob = job;
  if (wanted >= std::max(1u, std::thread::hardware_concurrency())) {
    rowJob.analyzerThreading = QualityAnalyzer::Threading::single;
  }
  auto work = [&] {
    for (std::size_t i = next++; i < rows.size(); i = next++) {
      RowOutcome outcome = runBatchRow(rows[i], rowJob);
      {
        std::lock_guard lock(mutex);
        outcomes[i] = std::move(outcome);
      }
      done.notify_one();
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t t = 0; t < wanted; ++t) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads than asked for still run every row
    }
  }
  if (workers.empty()) work();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return outcomes[i].has_value(); });
    const RowOutcome outcome = std::move(*outcomes[i]);
    outcomes[i].reset();
    lock.unlock();
    emit(i, outcome);
  }
  for (std::thread& worker : workers) worker.join();
}

}  // namespace orvelle::cli
