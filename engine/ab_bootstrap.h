#pragma once

#include <cstdint>
#include <span>

namespace orvelle::engine {

// How many times the per-file deltas are resampled, and the seed that makes
// every run of the same deltas give the same interval.
inline constexpr int kBootstrapResamples = 10000;
inline constexpr std::uint64_t kBootstrapSeed = 0x6F7276656C6C6531ULL;

struct Interval {
  double low = 0.0;
  double high = 0.0;
};

// The 95 % percentile interval of the mean of `deltas` by the paired
// bootstrap: kBootstrapResamples times, as many deltas as there are are drawn
// with replacement and averaged; the interval runs from the 250th to the
// 9750th of those means in ascending order. The draws come from xoshiro256**
// seeded through splitmix64 with kBootstrapSeed, each index the remainder of
// a draw, the draws that would bias it rejected, so the interval is the same
// bytes on every platform and library. `deltas` must not be empty.
Interval pairedBootstrap95(std::span<const double> deltas);

}  // namespace orvelle::engine
