#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/operation_steps.h"
#include "session/message_presenter.h"
#include "session/operation_request.h"

namespace orvelle {

// The steps of an engine job as the desktop program runs them: each
// operation behind its own progress window on a worker thread, its failure
// shown by the dispatcher; a plug-in load behind a progress window that
// offers Stop, its failure shown here; and the user asked before voice files
// are converted.
class WindowSteps : public engine::OperationSteps {
 public:
  // Runs one numbered operation and returns the request's `failed`.
  using OperationRunner = std::function<std::int32_t(OperationRequest&, std::int32_t)>;
  // Runs a load (first argument) while offering a way to stop it (second).
  using LoadRunner = std::function<bool(const std::function<bool()>&, const std::function<void()>&)>;

  WindowSteps(MessagePresenter& presenter, OperationRunner runOperation, LoadRunner runLoad,
              std::function<void(const char*)> showLoadFailure, std::function<bool()> confirmInputs = {})
      : presenter_(presenter),
        runOperation_(std::move(runOperation)),
        runLoad_(std::move(runLoad)),
        showLoadFailure_(std::move(showLoadFailure)),
        confirmInputs_(std::move(confirmInputs)) {}

  bool load(TestSession& session, const std::function<bool()>& load, const char* failureMessage) override;
  bool confirmInputs(TestSession& session) override;
  bool run(TestSession& session, std::int32_t opCode, const std::string& filePath = {},
           std::int32_t sizeType = 0) override;
  bool stopRequested() const override { return stopped_; }

 private:
  MessagePresenter& presenter_;
  OperationRunner runOperation_;
  LoadRunner runLoad_;
  std::function<void(const char*)> showLoadFailure_;
  std::function<bool()> confirmInputs_;
  bool stopped_ = false;
};

}  // namespace orvelle
