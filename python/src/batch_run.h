#pragma once

#include <pybind11/pybind11.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/batch.h"

namespace orvelle::python {

// One pair of a batch as the caller gave it, or why it could not be taken.
struct BatchPair {
  std::string source;
  std::string processed;
  pybind11::object refusal = pybind11::none();  // an orvelle.InputError
};

// A batch running in the background while Python takes its items: the
// engine runs the valid pairs on its worker pool, and next() hands out one
// item per pair in the order given, each holding a measurement or an error.
// Dropping the run (or an interrupt while waiting) stops the rows still
// running, and their hosts, before the object goes.
class BatchRun {
 public:
  BatchRun(std::vector<BatchPair> pairs, const engine::BatchJob& job, unsigned threads);
  ~BatchRun();
  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;

  // The next item (orvelle.BatchItem); raises StopIteration after the last.
  // Called with the GIL held.
  pybind11::object next();
  // Stops what is still running and waits for it; later next() calls end
  // the iteration.
  void close();

 private:
  void stop();

  std::vector<BatchPair> pairs_;
  std::vector<engine::BatchRow> rows_;  // the pairs that were taken, in order
  std::size_t given_ = 0;               // pairs handed out
  engine::CancelToken cancel_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<engine::RowOutcome> outcomes_;  // the rows' outcomes, in order, not yet handed out
  bool closed_ = false;
  std::thread runner_;
};

// Defines orvelle.BatchItem and the iterator type in `module`.
void defineBatch(pybind11::module_& module);

}  // namespace orvelle::python
