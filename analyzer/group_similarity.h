#pragma once

#include "analyzer/feature_group.h"

namespace orvelle {

// Source band energies at or below this are too faint to judge a codec by:
// such bands are left out of the similarity (in squared-sample power units).
inline constexpr double kSilentBandEnergy = 0.001;

// How closely the processed group's band energies follow the source group's,
// in percent (0 to 100). Each band costs its weight times the relative error
// of the processed energy, at most its whole weight. Both groups must have
// been built from the same table; an empty source group gives 100.
double groupSimilarity(const FeatureGroup& source, const FeatureGroup& processed, WeightMode mode);

// Whether a source band of this energy counts in the similarity.
bool isJudgedBand(double sourceEnergy);

// The most band `index` can cost of the similarity (its weight in percent
// points), and what it did cost: 0 for a band too faint to judge.
double bandFullShare(const FeatureGroup& source, std::int32_t index, WeightMode mode);
double bandLoss(const FeatureGroup& source, const FeatureGroup& processed, std::int32_t index, WeightMode mode);

}  // namespace orvelle
