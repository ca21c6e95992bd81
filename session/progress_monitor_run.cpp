#include "session/progress_monitor_run.h"

#include <system_error>

#include "platform/threads.h"
#include "session/test_session.h"

namespace orvelle {

ProgressMonitorRun::ProgressMonitorRun(TestSession& session, ProgressDialog* dialog)
    : session_(session), dialog_(dialog) {
  if (!dialog->showsProgress()) return;
  try {
    monitor_ = std::thread([&session, dialog] { session.progressMonitor(dialog); });
  } catch (const std::system_error&) {
    // No thread to spare: the operation still runs, only without a moving bar.
  }
}

void ProgressMonitorRun::finish(int lingerMs) {
  if (finished_) return;
  finished_ = true;
  session_.finishProgress();
  if (monitor_.joinable()) monitor_.join();
  const int linger = dialog_->lingerMilliseconds(lingerMs);
  if (linger > 0) platform::sleepMilliseconds(linger);
}

}  // namespace orvelle
