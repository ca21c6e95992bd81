#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/shared_memory.h"

namespace orvelle {

// Samples in shared memory, so that a plug-in host maps them instead of
// receiving copies. A buffer that is sealed can be read on but no longer
// changed, by us or by a host.
class SampleBuffer {
 public:
  SampleBuffer() = default;
  explicit SampleBuffer(platform::SharedMemory memory) : memory_(std::move(memory)) {}

  explicit operator bool() const { return static_cast<bool>(memory_); }
  std::int16_t* get() const { return static_cast<std::int16_t*>(memory_.data()); }
  std::int16_t& operator[](std::size_t index) const { return get()[index]; }
  void reset() { memory_.release(); }
  bool seal() const { return memory_.seal(); }
  bool sealed() const { return memory_.sealed(); }
  const platform::SharedMemory& memory() const { return memory_; }

 private:
  platform::SharedMemory memory_;
};

// A zero-filled buffer of `count` samples, or none if it can't be had.
inline SampleBuffer allocateSamples(std::int64_t count) {
  if (count <= 0) return SampleBuffer();
  return SampleBuffer(platform::SharedMemory::create(static_cast<std::size_t>(count) * sizeof(std::int16_t)));
}

}  // namespace orvelle
