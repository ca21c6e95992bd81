#pragma once

#include <cstdint>
#include <memory>
#include <new>

namespace orvelle {

using SampleBuffer = std::unique_ptr<std::int16_t[]>;

// A zero-filled buffer of `count` samples, or none if it can't be had.
inline SampleBuffer allocateSamples(std::int64_t count) {
  if (count <= 0) return nullptr;
  return SampleBuffer(new (std::nothrow) std::int16_t[static_cast<std::size_t>(count)]());
}

}  // namespace orvelle
