#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvelle {

// The cross-correlation r(l) = sum over n of a[n] * b[n + l] for every lag l
// from -maxLag to maxLag (entry l + maxLag), samples outside b counting as
// zero. Computed block by block through the FFT, so memory stays small and
// time linear in the signal length however long the signals are; a and b
// have the same length.
std::vector<double> laggedCorrelation(std::span<const std::int16_t> a, std::span<const std::int16_t> b,
                                      std::int32_t maxLag);
std::vector<double> laggedCorrelation(std::span<const double> a, std::span<const double> b, std::int32_t maxLag);

}  // namespace orvelle
