#include "cancellable_run.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <exception>
#include <thread>

namespace py = pybind11;

namespace orvelle::python {

namespace {

// How long a Ctrl-C may wait to be seen; whatever ends sooner is noticed at
// once, so this adds nothing to a call's time.
constexpr std::chrono::milliseconds kSignalCheckPeriod{20};

bool signalRaised() {
  py::gil_scoped_acquire acquire;
  return PyErr_CheckSignals() != 0;
}

}  // namespace

bool waitWatchingSignals(std::mutex& mutex, std::condition_variable& condition, const std::function<bool()>& ready) {
  py::gil_scoped_release release;
  std::unique_lock lock(mutex);
  while (!condition.wait_for(lock, kSignalCheckPeriod, ready)) {
    // Never wait for the GIL while holding the lock: a thread holding the
    // GIL may be waiting for the lock.
    lock.unlock();
    if (signalRaised()) return false;
    lock.lock();
  }
  return true;
}

void runCancellable(const std::function<void(engine::CancelToken&)>& job) {
  engine::CancelToken cancel;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::exception_ptr failure;
  std::thread worker;
  {
    py::gil_scoped_release release;
    worker = std::thread([&] {
      try {
        job(cancel);
      } catch (...) {
        failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        done = true;
      }
      finished.notify_all();
    });
  }
  const bool completed = waitWatchingSignals(mutex, finished, [&] { return done; });
  {
    py::gil_scoped_release release;
    if (!completed) {
      cancel.cancel();
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return done; });
    }
    worker.join();
  }
  if (!completed) throw py::error_already_set();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace orvelle::python
