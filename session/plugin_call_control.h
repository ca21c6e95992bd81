#pragma once

#include <atomic>

namespace orvelle {

// The limits on one call into hosted plug-in code: how long it may take and
// whether the user has asked to stop it. Set from any thread; the call looks
// at them while it waits for the host.
class PluginCallControl {
 public:
  // 0 waits as long as the plug-in takes.
  void setTimeoutSeconds(int seconds) { timeoutSeconds_.store(seconds, std::memory_order_relaxed); }
  int timeoutSeconds() const { return timeoutSeconds_.load(std::memory_order_relaxed); }

  void requestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
  void clearStop() { stopRequested_.store(false, std::memory_order_relaxed); }
  bool stopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> timeoutSeconds_{0};
  std::atomic<bool> stopRequested_{false};
};

}  // namespace orvelle
