#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/kernel_path.h"

namespace orvelle {

// One step of a running mean, bin by bin:
//   values[i] += (power[i] - values[i]) / frames   for i < count,
// every quotient the correctly rounded one the divider gives, on every
// kernel path (one the processor runs). frames is the number of spectra
// taken so far, at least 1.
void addMeanStep(double* values, const double* power, std::size_t count, std::int32_t frames,
                 KernelPath path = activeKernelPath());

}  // namespace orvelle
