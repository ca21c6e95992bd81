#include "cli/batch_command.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <set>
#include <thread>

#include "cli/batch_resume.h"
#include "cli/batch_summary.h"
#include "cli/commands.h"
#include "cli/run_options.h"
#include "cli/report_output.h"
#include "report/batch_index.h"

namespace orvelle::cli {

namespace {

bool readRows(const BatchOptions& options, std::vector<BatchRow>& rows, std::string& reason) {
  const bool pairs = options.job.plugin.empty();
  if (pairs && (options.inputs.size() != 1 || !options.voiceList.empty())) {
    reason = "batch takes one pair list (PAIRS.csv, or - for standard input), or --codec PLUGIN with voice files";
    return false;
  }
  if (!pairs && options.inputs.empty() && options.voiceList.empty()) {
    reason = "batch --codec needs voice files: name them, or give --list FILE";
    return false;
  }
  std::string text;
  if (pairs) {
    const std::string name = options.inputs.front() == "-" ? "standard input" : "\"" + options.inputs.front() + "\"";
    return readInputText(options.inputs.front(), text, reason) && parsePairList(text, name, rows, reason);
  }
  appendVoiceFiles(options.inputs, rows);
  if (options.voiceList.empty()) return true;
  const std::string name = options.voiceList == "-" ? "standard input" : "\"" + options.voiceList + "\"";
  return readInputText(options.voiceList, text, reason) && appendVoiceList(text, name, rows, reason);
}

// What the engine gets, resolved as the command starts: a plug-in run in
// this process may change the current folder while rows are still to be
// read and written. The rows themselves keep the paths as the list gives
// them, for the output.
BatchJob resolvedJob(const BatchJob& job) {
  BatchJob resolved = job;
  resolved.plugin = absolutePluginPath(job.plugin);
  resolved.logDir = absolutePath(job.logDir);
  resolved.reportDir = absolutePath(job.reportDir);
  return resolved;
}

std::vector<BatchRow> resolvedRows(std::vector<BatchRow> rows) {
  for (BatchRow& row : rows) {
    row.source = absolutePath(row.source);
    row.processed = absolutePath(row.processed);
  }
  return rows;
}

// The index page shares the report folder with the rows' reports, so no row
// may be called after it.
bool leavesIndexFree(const std::vector<BatchRow>& rows, std::string& reason) {
  for (const BatchRow& row : rows) {
    if (rowReportFile(row) == kBatchIndexFile) {
      reason = "row " + std::to_string(row.number) + ": the id \"" + row.id + "\" would name its report " +
               kBatchIndexFile + ", the page that lists every row in --report-dir; give the row another id";
      return false;
    }
  }
  return true;
}

report::IndexRow indexRow(const BatchRow& row, const RowOutcome& outcome, bool pairs) {
  report::IndexRow entry;
  entry.id = row.id;
  entry.inputs = pairs ? std::vector<std::string>{row.source, row.processed} : std::vector<std::string>{row.source};
  entry.reportFile = outcome.reportWritten ? rowReportFile(row) : std::string();
  entry.scored = outcome.scored;
  entry.score = outcome.score;
  entry.agreement = outcome.analysis.activityAgreement;
  entry.error = outcome.error;
  return entry;
}

bool writeIndex(const BatchOptions& options, const std::string& reportDir, std::vector<report::IndexRow> rows) {
  const bool pairs = options.job.plugin.empty();
  const std::string title = pairs ? "Compare Files batch" : "Codec Quality batch of " + options.job.plugin;
  const std::vector<std::string> headings =
      pairs ? std::vector<std::string>{"Source", "Processed"} : std::vector<std::string>{"Voice file"};
  std::string reason;
  if (report::writeHtmlFile(reportDir + "/" + kBatchIndexFile,
                            report::batchIndexHtml(title, headings, std::move(rows)), reason)) {
    return true;
  }
  printFailure("Report can't be written!", reason);
  return false;
}

// Rows done, rows per second and time left, redrawn in place on a terminal.
class BatchProgress {
 public:
  BatchProgress(std::size_t total, bool shown) : total_(total), shown_(shown) {}
  void rowDone(std::size_t done) {
    if (!shown_) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const double left = rate > 0.0 ? static_cast<double>(total_ - done) / rate : 0.0;
    std::fprintf(stderr, "\r\033[K%zu/%zu rows, %.1f rows/s, %.0f s left", done, total_, rate, left);
    if (done == total_) std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  }

 private:
  std::size_t total_;
  bool shown_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

int runBatchCommand(const BatchOptions& options) {
  const BatchJob job = resolvedJob(options.job);
  std::vector<BatchRow> rows;
  std::string reason;
  std::int64_t shardK = 1;
  std::int64_t shardN = 1;
  std::set<std::string> scored;
  std::vector<IdFiles> idFiles;
  if (!options.job.logDir.empty()) idFiles.push_back({"log file", "--log-dir"});
  if (!options.job.reportDir.empty()) idFiles.push_back({"report", "--report-dir"});
  if ((!options.shard.empty() && !parseShard(options.shard, shardK, shardN, reason)) ||
      !readRows(options, rows, reason) || !checkRowIds(rows, idFiles, reason) ||
      (!options.job.reportDir.empty() && !leavesIndexFree(rows, reason)) ||
      (!options.resume.empty() && !readScoredIds(options.resume, scored, reason))) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return kExitUsage;
  }
  std::vector<BatchRow> todo;
  for (BatchRow& row : shardOf(rows, shardK, shardN)) {
    if (scored.count(row.id) == 0) todo.push_back(std::move(row));
  }
  const std::size_t skipped = shardOf(rows, shardK, shardN).size() - todo.size();

  const BatchOutputOptions output{options.job.plugin, options.groups};
  if (options.csv) std::cout << csvHeader(output) << std::flush;
  const unsigned threads = options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  BatchProgress progress(todo.size(), isatty(STDERR_FILENO) != 0);
  std::vector<double> scores;
  std::size_t failed = 0;
  std::vector<report::IndexRow> indexRows;
  // Only a plug-in's code can move the current folder from under a row.
  const std::vector<BatchRow> runRows = job.plugin.empty() ? todo : resolvedRows(todo);
  runBatchRows(runRows, job, threads, [&](std::size_t index, const RowOutcome& outcome) {
    const nlohmann::ordered_json row = batchRowJson(todo[index], outcome, output);
    std::cout << (options.csv ? formatRowCsv(row) : formatRowJson(row)) << std::flush;
    if (outcome.error.empty()) {
      scores.push_back(outcome.score);
    } else {
      ++failed;
    }
    if (!options.job.reportDir.empty()) indexRows.push_back(indexRow(todo[index], outcome, options.job.plugin.empty()));
    progress.rowDone(index + 1);
  });
  std::fputs(batchSummary(scores, failed, skipped).c_str(), stderr);
  const bool indexed = job.reportDir.empty() || writeIndex(options, job.reportDir, std::move(indexRows));
  return failed > 0 || !indexed ? kExitFailed : kExitSuccess;
}

}  // namespace orvelle::cli
