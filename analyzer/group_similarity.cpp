#include "analyzer/group_similarity.h"

#include <cmath>

namespace orvelle {

namespace {
constexpr double kFullScore = 100.0;
}  // namespace

double groupSimilarity(const FeatureGroup& source, const FeatureGroup& processed, WeightMode mode) {
  const std::int32_t count = source.bandCount();
  if (count <= 0) return kFullScore;

  double similarity = kFullScore;
  for (std::int32_t c = 0; c < count; ++c) {
    const double s = source.band(c).energy;
    const double p = processed.band(c).energy;
    // Weights are not renormalised over the bands used: a faint band simply
    // costs nothing.
    if (!(std::fabs(s) > kSilentBandEnergy)) continue;
    const double relativeError = std::fabs(s - p) / std::fabs(s);
    const double weight = source.weight(c, mode);
    double loss = kFullScore * weight * relativeError;
    const double maximumLoss = kFullScore * weight;
    if (loss > maximumLoss) loss = maximumLoss;
    similarity = similarity - loss;
  }
  return similarity >= 0.0 ? similarity : 0.0;
}

}  // namespace orvelle
