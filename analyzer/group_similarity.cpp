#include "analyzer/group_similarity.h"

#include <cmath>

namespace orvelle {

namespace {
constexpr double kFullScore = 100.0;
}  // namespace

bool isJudgedBand(double sourceEnergy) { return std::fabs(sourceEnergy) > kSilentBandEnergy; }

double bandFullShare(const FeatureGroup& source, std::int32_t index, WeightMode mode) {
  return kFullScore * source.weight(index, mode);
}

double bandLoss(const FeatureGroup& source, const FeatureGroup& processed, std::int32_t index, WeightMode mode) {
  const double s = source.band(index).energy;
  const double p = processed.band(index).energy;
  // Weights are not renormalised over the bands used: a faint band simply
  // costs nothing.
  if (!isJudgedBand(s)) return 0.0;
  const double relativeError = std::fabs(s - p) / std::fabs(s);
  const double weight = source.weight(index, mode);
  const double loss = kFullScore * weight * relativeError;
  const double maximumLoss = bandFullShare(source, index, mode);
  return loss > maximumLoss ? maximumLoss : loss;
}

double groupSimilarity(const FeatureGroup& source, const FeatureGroup& processed, WeightMode mode) {
  const std::int32_t count = source.bandCount();
  if (count <= 0) return kFullScore;

  double similarity = kFullScore;
  for (std::int32_t c = 0; c < count; ++c) {
    // A faint band's loss is exactly 0, and subtracting it changes nothing.
    similarity = similarity - bandLoss(source, processed, c, mode);
  }
  return similarity >= 0.0 ? similarity : 0.0;
}

}  // namespace orvelle
