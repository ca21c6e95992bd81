#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "session/plugin_call_control.h"

namespace orvelle::engine {

// Where a job reports how far it has come. Called from the thread that runs
// the job (and from its progress monitor), one call at a time.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A new step begins: "ReCode Voice Data", say.
  virtual void stepStarted(const std::string& text) { (void)text; }
  // `position` of `total` of the present step.
  virtual void progressed(std::int32_t position, std::int32_t total) {
    (void)position;
    (void)total;
  }
  // Whether anything looks at the progress; a sink nobody reads spares the
  // job its progress monitor.
  virtual bool watched() const { return false; }
};

// A sink that nobody reads.
inline ProgressSink& noProgress() {
  static ProgressSink sink;
  return sink;
}

// Asks a running job to stop, from any thread. A job looks at it between
// its steps, and a plug-in call in progress is ended at once.
class CancelToken {
 public:
  void cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }

  // While a job runs, its plug-in calls look at the token.
  void attach(PluginCallControl& control) const { control.followStop(&cancelled_); }
  static void detach(PluginCallControl& control) { control.followStop(nullptr); }

 private:
  std::atomic<bool> cancelled_{false};
};

// A token nobody cancels.
inline CancelToken& neverCancelled() {
  static CancelToken token;
  return token;
}

}  // namespace orvelle::engine
