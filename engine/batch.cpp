#include "engine/batch.h"

#include <exception>
#include <thread>

#include "engine/worker_pool.h"

namespace orvelle::engine {

namespace {

// Moves what the row measured into its outcome: a run's pictures are large.
RowOutcome outcomeOf(const JobError* error, Measurement* measurement, bool& logged) {
  RowOutcome outcome;
  if (error != nullptr) {
    outcome.error = error->text();
    outcome.errorKind = error->kind;
    return outcome;
  }
  outcome.scored = true;
  outcome.score = measurement->score;
  outcome.analysis = std::move(measurement->analysis);
  outcome.conversionNotes = std::move(measurement->conversionNotes);
  logged = measurement->logWritten;
  return outcome;
}

}  // namespace

RowOutcome runBatchRow(const BatchRow& row, const BatchJob& job, CancelToken& cancel) {
  if (cancel.cancelled()) {
    RowOutcome stopped;
    stopped.error = "the batch was stopped before this row";
    stopped.errorKind = FailureKind::stopped;
    return stopped;
  }
  const std::string logPath = job.logDir.empty() ? std::string() : job.logDir + "/" + row.id + ".log";
  ScoringOptions scoring;
  scoring.logPath = logPath;
  scoring.threading = job.analyzerThreading;
  scoring.companion = job.companion;
  RowOutcome outcome;
  bool logged = false;
  try {
    if (job.plugin) {
      CodecQualityOptions options;
      options.scoring = scoring;
      Result<CodecQualityRun> run =
          codecQuality(*job.plugin, {row.source, 1, job.resample}, options, noProgress(), cancel);
      outcome = run.ok() ? outcomeOf(nullptr, &run.value().measurement, logged) : outcomeOf(&run.error(), nullptr, logged);
      if (run.ok()) {
        outcome.frameSize = run.value().frameSize;
        outcome.commandOutput = run.value().commandOutput;
      }
    } else {
      Result<Measurement> measurement =
          compareFiles(row.source, row.processed, job.resample, scoring, noProgress(), cancel);
      outcome = measurement.ok() ? outcomeOf(nullptr, &measurement.value(), logged)
                                 : outcomeOf(&measurement.error(), nullptr, logged);
    }
  } catch (const std::exception& e) {
    outcome = RowOutcome{};
    outcome.error = std::string("the row could not be run: ") + e.what();
  }
  if (outcome.scored && !logPath.empty() && !logged) {
    outcome.error = "the measurement log \"" + logPath + "\" could not be written";
  }
  return outcome;
}

void runBatch(const std::vector<BatchRow>& rows, const BatchJob& job, unsigned threads,
              const std::function<void(const BatchRow&, RowOutcome&)>& finishRow,
              const std::function<void(std::size_t, const RowOutcome&)>& emit, CancelToken& cancel) {
  // Rows that keep every core busy gain nothing from a second thread each;
  // they would only pay for starting it.
  BatchJob rowJob = job;
  const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), rows.size());
  if (wanted >= std::max(1u, std::thread::hardware_concurrency())) {
    rowJob.analyzerThreading = QualityAnalyzer::Threading::single;
  }
  runInOrder<RowOutcome>(
      rows.size(), threads,
      [&](std::size_t i) {
        RowOutcome outcome = runBatchRow(rows[i], rowJob, cancel);
        if (finishRow) finishRow(rows[i], outcome);
        return outcome;
      },
      [&](std::size_t i, RowOutcome& outcome) { emit(i, outcome); });
}

}  // namespace orvelle::engine
