#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/progress.h"
#include "session/test_session.h"

namespace orvelle::engine {

// How a job runs the steps of its session: its plug-in loads and its
// numbered operations. The engine's own runs them on the calling thread
// (DirectSteps); the desktop program runs each behind its progress window
// on a worker thread, shows what failed and offers Stop.
class OperationSteps {
 public:
  virtual ~OperationSteps() = default;

  // Loads plug-ins with `load` (which may take as long as a library's
  // constructor does). False if it failed; `failureMessage` is what the user
  // is shown then ("DLL Can't be loaded!").
  virtual bool load(TestSession& session, const std::function<bool()>& load, const char* failureMessage) = 0;

  // Asked once the plug-ins are loaded and before the first operation, with
  // the voice files the run will read: whether to go on. A front end may ask
  // the user here, and set `session.otherVoiceFormats`.
  virtual bool confirmInputs(TestSession& session) {
    (void)session;
    return true;
  }

  // Runs operation `opCode` of `session`; false if it failed.
  virtual bool run(TestSession& session, std::int32_t opCode, const std::string& filePath = {},
                   std::int32_t sizeType = 0) = 0;

  // Whether the run was asked to stop: a step that failed then failed for
  // that reason.
  virtual bool stopRequested() const { return false; }
};

// Runs every step here and now, reporting to `progress` and stopped by
// `cancel`; failures are left for the job to return.
class DirectSteps : public OperationSteps {
 public:
  DirectSteps(ProgressSink& progress, CancelToken& cancel) : progress_(progress), cancel_(cancel) {}

  bool load(TestSession& session, const std::function<bool()>& load, const char* failureMessage) override;
  bool run(TestSession& session, std::int32_t opCode, const std::string& filePath = {},
           std::int32_t sizeType = 0) override;
  bool stopRequested() const override { return cancel_.cancelled(); }

 private:
  ProgressSink& progress_;
  CancelToken& cancel_;
};

}  // namespace orvelle::engine
