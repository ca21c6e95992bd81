#pragma once

#include <atomic>
#include <cstdint>

namespace orvelle {

// The limits on one call into hosted plug-in code: how long it may take, how
// much memory its process may take, and whether the user has asked to stop
// it. Set from any thread; the call looks at them while it waits for the
// host.
class PluginCallControl {
 public:
  // 0 waits as long as the plug-in takes.
  void setTimeoutSeconds(int seconds) { timeoutSeconds_.store(seconds, std::memory_order_relaxed); }
  int timeoutSeconds() const { return timeoutSeconds_.load(std::memory_order_relaxed); }

  // Bytes of memory the plug-in's process may take beyond what the host
  // itself needs, the private copy of its input included; 0 leaves it to
  // the host's default. A host started or called afterwards keeps to it.
  void setMemoryLimitBytes(std::int64_t bytes) { memoryLimitBytes_.store(bytes, std::memory_order_relaxed); }
  std::int64_t memoryLimitBytes() const { return memoryLimitBytes_.load(std::memory_order_relaxed); }

  void requestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
  void clearStop() { stopRequested_.store(false, std::memory_order_relaxed); }
  bool stopRequested() const {
    const std::atomic<bool>* source = stopSource_.load(std::memory_order_acquire);
    return stopRequested_.load(std::memory_order_relaxed) || (source != nullptr && source->load());
  }

  // Also stops once `source` (may be null: no longer) is set; unlike a
  // request, clearStop does not undo it, so a caller's cancellation reaches
  // every later step of its run.
  void followStop(const std::atomic<bool>* source) { stopSource_.store(source, std::memory_order_release); }

 private:
  std::atomic<int> timeoutSeconds_{0};
  std::atomic<std::int64_t> memoryLimitBytes_{0};
  std::atomic<bool> stopRequested_{false};
  std::atomic<const std::atomic<bool>*> stopSource_{nullptr};
};

}  // namespace orvelle
