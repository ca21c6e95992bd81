#include "batch_run.h"

#include <pybind11/stl.h>

#include "cancellable_run.h"
#include "measurement.h"
#include "python_errors.h"
#include "report/run_inputs.h"

namespace py = pybind11;

namespace orvelle::python {

namespace {

// What one pair came to; exactly one of `measurement` and `error` is set.
struct BatchItem {
  std::size_t index = 0;
  std::string source;
  std::string processed;
  py::object measurement = py::none();
  py::object error = py::none();
};

py::object itemOf(std::size_t index, const BatchPair& pair, engine::RowOutcome& outcome) {
  BatchItem item{index, pair.source, pair.processed};
  if (outcome.scored) {
    Measurement measurement;
    measurement.measure = "File Quality";
    measurement.score = outcome.score;
    measurement.analysis = std::move(outcome.analysis);
    measurement.conversionNotes = std::move(outcome.conversionNotes);
    measurement.inputs = report::compareFilesInputs(pair.source, pair.processed, measurement.conversionNotes);
    item.measurement = py::cast(std::move(measurement));
  } else {
    item.error = jobErrorObject({outcome.errorKind, "", outcome.error});
  }
  return py::cast(std::move(item));
}

}  // namespace

BatchRun::BatchRun(std::vector<BatchPair> pairs, const engine::BatchJob& job, unsigned threads)
    : pairs_(std::move(pairs)) {
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    if (!pairs_[i].refusal.is_none()) continue;
    const auto number = static_cast<std::int64_t>(i + 1);
    rows_.push_back({number, std::to_string(number), pairs_[i].source, pairs_[i].processed});
  }
  if (rows_.empty()) return;
  py::gil_scoped_release release;
  runner_ = std::thread([this, job, threads] {
    engine::runBatch(
        rows_, job, threads,
        // Rows waiting to be taken keep only their numbers, as the command
        // line's do: a run's pictures are large.
        [](const engine::BatchRow&, engine::RowOutcome& outcome) { outcome.analysis.pictures = RunPictures{}; },
        [this](std::size_t, const engine::RowOutcome& outcome) {
          {
            std::lock_guard lock(mutex_);
            outcomes_.push_back(outcome);
          }
          ready_.notify_all();
        },
        cancel_);
  });
}

BatchRun::~BatchRun() {
  if (!runner_.joinable()) return;
  py::gil_scoped_release release;
  stop();
}

void BatchRun::stop() {
  cancel_.cancel();
  if (runner_.joinable()) runner_.join();
  std::lock_guard lock(mutex_);
  closed_ = true;
  outcomes_.clear();
}

void BatchRun::close() {
  py::gil_scoped_release release;
  stop();
}

py::object BatchRun::next() {
  if (closed_ || given_ == pairs_.size()) {
    if (runner_.joinable()) close();
    throw py::stop_iteration();
  }
  const std::size_t index = given_;
  const BatchPair& pair = pairs_[index];
  if (!pair.refusal.is_none()) {
    ++given_;
    BatchItem item{index, pair.source, pair.processed, py::none(), pair.refusal};
    return py::cast(std::move(item));
  }
  if (!waitWatchingSignals(mutex_, ready_, [this] { return !outcomes_.empty(); })) {
    const py::error_already_set interrupt;
    close();
    throw interrupt;
  }
  engine::RowOutcome outcome;
  {
    std::lock_guard lock(mutex_);
    outcome = std::move(outcomes_.front());
    outcomes_.pop_front();
  }
  ++given_;
  return itemOf(index, pair, outcome);
}

void defineBatch(py::module_& module) {
  py::class_<BatchItem>(module, "BatchItem",
                        "One pair of a batch: its place in the input, its paths, and either its measurement or "
                        "the error that stopped it.")
      .def_readonly("index", &BatchItem::index, "The pair's place in the input, from 0.")
      .def_readonly("source", &BatchItem::source)
      .def_readonly("processed", &BatchItem::processed)
      .def_readonly("measurement", &BatchItem::measurement, "The orvelle.Measurement, or None if the pair failed.")
      .def_readonly("error", &BatchItem::error, "The orvelle.Error that stopped the pair, or None.")
      .def_property_readonly("ok", [](const BatchItem& item) { return item.error.is_none(); })
      .def(
          "result",
          [](const BatchItem& item) -> py::object {
            if (!item.error.is_none()) {
              PyErr_SetObject(py::type::handle_of(item.error).ptr(), item.error.ptr());
              throw py::error_already_set();
            }
            return item.measurement;
          },
          "The measurement, or raise the pair's error.")
      .def("__repr__", [](const BatchItem& item) {
        return "<orvelle.BatchItem " + std::to_string(item.index) + (item.error.is_none() ? " ok>" : " failed>");
      });

  py::class_<BatchRun>(module, "BatchRun", "The items of orvelle.batch(), in input order, as they are ready.")
      .def("__iter__", [](BatchRun& run) -> BatchRun& { return run; })
      .def("__next__", &BatchRun::next)
      .def("close", &BatchRun::close, "Stop the pairs still running; the iteration ends.")
      .def("__enter__", [](BatchRun& run) -> BatchRun& { return run; })
      .def("__exit__", [](BatchRun& run, const py::args&) { run.close(); });
}

}  // namespace orvelle::python
