#include "app/operation_runner.h"

#include <atomic>

#include "app/progress_window.h"
#include "platform/threads.h"

namespace orvelle {

namespace {
constexpr int kFinishedPollMs = 100;
}

std::int32_t runWithProgress(TestSession& session, OperationRequest& request, std::int32_t op, QWidget* owner) {
  request.opCode.store(op, std::memory_order_relaxed);
  ProgressWindow window(owner);
  request.progressDialog = &window;
  OperationRequest* shared = &request;
  if (!platform::startDetachedThread([&session, shared] { session.runOperation(shared); })) {
    // Without a worker nobody would ever close the window; report the
    // operation as failed instead of waiting for ever.
    if (const char* message = operationErrorMessage(op); message && request.owner) {
      request.owner->showMessage(message, "Error", MessageIcon::Error);
    }
    request.failed = 1;
    request.progressDialog = nullptr;
    request.opCode.store(kOperationFinished, std::memory_order_relaxed);
    return request.failed;
  }
  window.exec();
  // The window is closed by the worker just before its last write; the
  // acquire pairs with that release and makes `failed` and the session's
  // results visible here.
  while (request.opCode.load(std::memory_order_acquire) != kOperationFinished) {
    platform::sleepMilliseconds(kFinishedPollMs);
  }
  request.progressDialog = nullptr;
  return request.failed;
}

bool runStoppableWithProgress(const std::string& text, const std::function<bool()>& work,
                              const std::function<void()>& stop, QWidget* owner) {
  ProgressWindow window(owner);
  // Told apart from the windows of the numbered operations.
  window.setObjectName("loadProgressWindow");
  window.setOperationText(text);
  window.offerStop(stop);
  std::atomic<bool> finished{false};
  bool succeeded = false;
  ProgressWindow* shown = &window;
  if (!platform::startDetachedThread([&work, &succeeded, &finished, shown] {
        succeeded = work();
        shown->close();
        // Last touch of the caller's frame: it may return once it sees this.
        finished.store(true, std::memory_order_release);
      })) {
    return work();
  }
  window.exec();
  while (!finished.load(std::memory_order_acquire)) platform::sleepMilliseconds(kFinishedPollMs);
  return succeeded;
}

}  // namespace orvelle
