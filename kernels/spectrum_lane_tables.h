#pragma once

#include <cstdint>

namespace orvelle {

// What the spectrum lane kernels read of a set-up spectral front end.
struct LaneTables {
  const double* window = nullptr;
  const std::int32_t* reversal = nullptr;  // the bit-reversal table
  const double* stageCosine = nullptr;
  const double* stageSine = nullptr;
  const std::int32_t* stageOffset = nullptr;
  std::int32_t exponent = 0;
};

}  // namespace orvelle
