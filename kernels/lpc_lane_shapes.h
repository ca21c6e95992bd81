#pragma once

#include <cstdint>

namespace orvelle {

// The shapes the LPC chain's lane kernels are built for: the analysis
// window, the predictor's order and its stability bounds, and how many
// sums and root searches run side by side.

inline constexpr int kLpcWindowLength = 240;
inline constexpr int kLpcOrder = 10;
inline constexpr double kStabilityLimit = 0.999451;       // |rc| above this: unstable filter
inline constexpr double kMinimumPredictionError = 0.001;  // floor of the running prediction error

// Lags summed side by side: 0..15, four to a register.
inline constexpr int kLaneLags = 16;

// Lags of the order-12 analysis of four frames at once, a lane per frame.
inline constexpr int kFrameLaneLags = 13;

// Root searches side by side.
inline constexpr int kRootLanes = 16;  // a multiple of four

struct RootLanes {
  // polynomials[p][i * kRootLanes + l]: coefficient i of lane l's polynomial p.
  double polynomials[2][6 * kRootLanes];
  std::int64_t useSecond[kRootLanes];  // 0: polynomial 0, all bits set: polynomial 1
  double xlow[kRootLanes], ylow[kRootLanes], xhigh[kRootLanes], yhigh[kRootLanes];
  // Results.
  double root[kRootLanes];
  double otherValue[kRootLanes];
};

}  // namespace orvelle
