#pragma once

#include <atomic>

namespace orvelle {

// A progress counter that one thread advances while another polls it.
// Codec plug-ins receive its address as a plain `long*` (their published
// header says so), so the storage is a plain long; every access from our side
// goes through atomic_ref, and plug-ins are expected to store whole values.
class ProgressCounter {
 public:
  long load() const { return ref().load(std::memory_order_relaxed); }
  void store(long value) { ref().store(value, std::memory_order_relaxed); }
  void add(long delta) { ref().fetch_add(delta, std::memory_order_relaxed); }

  // The address handed to plug-in code.
  long* address() { return &value_; }

 private:
  std::atomic_ref<long> ref() const { return std::atomic_ref<long>(value_); }

  alignas(std::atomic_ref<long>::required_alignment) mutable long value_ = 0;
};

}  // namespace orvelle
