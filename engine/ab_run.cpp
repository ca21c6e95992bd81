#include "engine/ab_run.h"

#include <algorithm>
#include <thread>

#include "engine/worker_pool.h"

namespace orvelle::engine {

void runAbRows(const std::vector<BatchRow>& rows, const BatchJob& base, const BatchJob& next, unsigned threads,
               const std::function<void(AbSide, const BatchRow&, RowOutcome&)>& finishRow,
               const std::function<void(AbSide, std::size_t, const RowOutcome&)>& emit) {
  const std::size_t runs = rows.size() * 2;
  BatchJob jobs[2] = {base, next};
  // Runs that keep every core busy gain nothing from a second analyzer
  // thread each; they would only pay for starting it.
  const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), runs);
  if (wanted >= std::max(1u, std::thread::hardware_concurrency())) {
    for (BatchJob& job : jobs) job.analyzerThreading = QualityAnalyzer::Threading::single;
  }
  const auto sideOf = [](std::size_t run) { return run % 2 == 0 ? AbSide::base : AbSide::next; };
  runInOrder<RowOutcome>(
      runs, threads,
      [&](std::size_t run) {
        const BatchRow& row = rows[run / 2];
        RowOutcome outcome = runBatchRow(row, jobs[run % 2]);
        if (finishRow) finishRow(sideOf(run), row, outcome);
        return outcome;
      },
      [&](std::size_t run, RowOutcome& outcome) { emit(sideOf(run), run / 2, outcome); });
}

}  // namespace orvelle::engine
