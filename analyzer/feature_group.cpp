#include "analyzer/feature_group.h"

#include <cmath>

#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"

namespace orvelle {

namespace {
constexpr double kHalf = 0.5;
// A group needs at least this many rows: a single band is not a spectral shape.
constexpr std::size_t kMinimumRows = 2;
}  // namespace

bool FeatureGroup::build(BandTable table, const SpectralFrontEnd* frontEnd) {
  bands_.clear();
  if (frontEnd == nullptr) return false;
  const double sampleRate = frontEnd->sampleRate();
  // A zero, negative or non-finite rate would put bin positions out of any
  // integer's range.
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || frontEnd->frameLength() == 0) return false;

  bands_.resize(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    FeatureBand& band = bands_[i];
    band.centreHz = table[i].centreHz;
    band.widthHz = table[i].widthHz;
    band.upperEdgeHz = band.widthHz * kHalf + band.centreHz;
    band.lowerEdgeHz = band.centreHz - band.widthHz * kHalf;
    band.energy = 0.0;
  }

  const std::size_t count = fitToNyquist(bands_, sampleRate * kHalf);
  bands_.resize(count);
  if (count == 0) {
    bands_.shrink_to_fit();
    return false;
  }

  const double uniformWeight = 1.0 / static_cast<double>(count);
  for (std::size_t i = 0; i < count; ++i) {
    FeatureBand& band = bands_[i];
    band.upperBin = static_cast<std::int32_t>(frontEnd->binPosition(band.upperEdgeHz));
    band.lowerBin = static_cast<std::int32_t>(frontEnd->binPosition(band.lowerEdgeHz));
    band.uniformWeight = uniformWeight;
    band.tableWeight = table[i].tableWeight;
  }
  return true;
}

std::size_t FeatureGroup::fitToNyquist(std::vector<FeatureBand>& bands, double nyquistHz) {
  std::size_t count = bands.size();
  if (count < kMinimumRows) return 0;
  if (nyquistHz < bands[0].upperEdgeHz) return 0;
  if (bands[0].lowerEdgeHz < 0.0) bands[0].lowerEdgeHz = 0.0;

  for (std::size_t i = 0; i < count; ++i) {
    FeatureBand& band = bands[i];
    if (band.lowerEdgeHz < 0.0) return 0;
    if (nyquistHz < band.lowerEdgeHz) {
      count = i;  // this band and every later one lie wholly above
      break;
    }
    if (nyquistHz < band.upperEdgeHz) {
      band.upperEdgeHz = nyquistHz;
      count = i + 1;
      break;
    }
  }

  for (std::size_t i = 0; i < count; ++i) {
    FeatureBand& band = bands[i];
    band.widthHz = band.upperEdgeHz - band.lowerEdgeHz;
    band.centreHz = (band.lowerEdgeHz + band.upperEdgeHz) * kHalf;
    if (band.widthHz == 0.0 || band.centreHz == 0.0) return 0;
  }
  return count;
}

void FeatureGroup::update(const MeanSpectrum& spectrum) {
  for (FeatureBand& band : bands_) {
    double energy = 0.0;
    const std::int32_t first = band.lowerBin > 0 ? band.lowerBin : 1;  // DC says nothing about speech
    for (std::int32_t bin = first; bin < band.upperBin; ++bin) energy += spectrum.value(bin);
    band.energy = energy;
  }
}

const FeatureBand& FeatureGroup::band(std::int32_t index) const {
  if (index < 0 || index >= bandCount()) return outside_;
  return bands_[static_cast<std::size_t>(index)];
}

double FeatureGroup::weight(std::int32_t index, WeightMode mode) const {
  const FeatureBand& b = band(index);
  return mode == WeightMode::table ? b.tableWeight : b.uniformWeight;
}

}  // namespace orvelle
