#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace orvelle {

// A run's sample or flag array, allocated zero-filled with calloc.
struct FreeDeleter {
  void operator()(std::int16_t* p) const { std::free(p); }
};
using SampleArray = std::unique_ptr<std::int16_t, FreeDeleter>;

// calloc rather than a zero-filling new: the system hands out zeroed pages
// lazily, so the silence after a long voice file costs no time and no memory
// until it is read, and a refusal comes back as null instead of an exception.
inline SampleArray zeroedArray(std::size_t count) {
  return SampleArray(static_cast<std::int16_t*>(std::calloc(count, sizeof(std::int16_t))));
}

}  // namespace orvelle
