#pragma once

#include <thread>

#include "session/progress_dialog.h"

namespace orvelle {

class TestSession;

// The progress monitor of one long call: started before the call, ended by
// making the session's counters equal. Unlike a fire-and-forget thread it is
// joined when it ends, so it can never touch the progress window after the
// operation has returned and the window is gone.
class ProgressMonitorRun {
 public:
  ProgressMonitorRun(TestSession& session, ProgressDialog* dialog);
  ~ProgressMonitorRun() { finish(); }
  ProgressMonitorRun(const ProgressMonitorRun&) = delete;
  ProgressMonitorRun& operator=(const ProgressMonitorRun&) = delete;

  // Sets progressCurrent to progressTotal, which ends the monitor, waits for
  // it to end, then keeps the finished bar on screen for `lingerMs` if the
  // window wants it (one nobody watches does not).
  void finish(int lingerMs = 0);

 private:
  TestSession& session_;
  ProgressDialog* dialog_;
  std::thread monitor_;
  bool finished_ = false;
};

}  // namespace orvelle
