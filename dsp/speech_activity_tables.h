#pragma once

#include <array>
#include <cstdint>

namespace orvelle {

// Correlation of the low-band filter (lags 0..12): the low-band energy is the
// autocorrelation weighted by it.
extern const std::array<double, 13> kLowBandCorrelation;

// One boundary of the initial decision: speech when
//   lhs (above ? > : <) slope * rhs + intercept
// or, for a boundary without a slope term, lhs compared with intercept alone.
enum class DecisionFeature : std::uint8_t { SpectralDistortion, EnergyDifference, LowEnergyDifference, ZeroCrossDifference };

struct DecisionBoundary {
  DecisionFeature lhs;
  bool above;
  bool hasSlope;
  double slope;
  DecisionFeature rhs;
  double intercept;
};

extern const std::array<DecisionBoundary, 14> kDecisionBoundaries;

// Background update speeds, chosen by the update count after its increment:
// the row whose firstCount is the largest not above the count.
struct UpdateSpeeds {
  std::int32_t firstCount;
  double energy;        // cE
  double zeroCrossing;  // cZ
  double spectrum;      // cS
};

extern const std::array<UpdateSpeeds, 6> kUpdateSpeeds;

}  // namespace orvelle
