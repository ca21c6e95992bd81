#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orvelle {

// Lets the progress monitor sleep out its redraw period yet end the moment
// the operation's work is done, instead of up to a period later.
class ProgressWake {
 public:
  // Waits up to `milliseconds` or until `done()` holds; true if it holds.
  template <typename Done>
  bool waitFor(int milliseconds, Done done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), done);
  }

  // Call after the change that makes `done()` hold. Taking the lock once
  // orders the change before the waiter's next test, so no wake is lost.
  void notify() {
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace orvelle
