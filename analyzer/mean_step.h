#pragma once

#include <cstddef>
#include <cstdint>

namespace orvelle {

// How the quotients of a mean step are made: by the divider, two or four
// bins at a time, or with fused multiply-adds, four at a time. Every path
// gives the same bits.
enum class MeanStepPath { pairs, avx2, avx2Fma };

// The path the processor at hand runs best, and whether it runs a path.
MeanStepPath fastestMeanStepPath();
bool processorRuns(MeanStepPath path);

// One step of a running mean, bin by bin:
//   values[i] += (power[i] - values[i]) / frames   for i < count,
// every quotient the correctly rounded one the divider gives. frames is
// the number of spectra taken so far, at least 1. The path must be one the
// processor runs.
void addMeanStep(double* values, const double* power, std::size_t count, std::int32_t frames,
                 MeanStepPath path = fastestMeanStepPath());

}  // namespace orvelle
