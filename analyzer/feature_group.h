#pragma once

#include <cstdint>
#include <vector>

#include "analyzer/band_table.h"

namespace orvelle {

class MeanSpectrum;
class SpectralFrontEnd;

// How the bands of a group are weighted in the similarity measure.
enum class WeightMode : std::int32_t {
  uniform = 0,  // every band alike: 1 / band count
  table = 1,    // the table weight of the band's row
};

// One band of a feature group. Bins are half-open: lowerBin <= bin < upperBin.
struct FeatureBand {
  double centreHz = 0.0;
  double widthHz = 0.0;
  double upperEdgeHz = 0.0;
  double lowerEdgeHz = 0.0;
  std::int32_t upperBin = 0;
  std::int32_t lowerBin = 0;
  double uniformWeight = 0.0;
  double tableWeight = 0.0;
  double energy = 0.0;
};

// A set of frequency bands built from one band table, fitted below half the
// sample rate, holding one energy per band after each update. A read outside
// the bands yields an all-zero band.
class FeatureGroup {
 public:
  // Replaces the bands with those of `table` that survive the fitting.
  // Returns false, leaving the group empty, when no band survives or the
  // front end is missing or has no usable size and sample rate.
  bool build(BandTable table, const SpectralFrontEnd* frontEnd);

  // Each band's energy becomes the sum of the spectrum over its bins; the
  // DC bin never counts.
  void update(const MeanSpectrum& spectrum);

  std::int32_t bandCount() const { return static_cast<std::int32_t>(bands_.size()); }
  const FeatureBand& band(std::int32_t index) const;
  double weight(std::int32_t index, WeightMode mode) const;

 private:
  // Drops or trims the bands that reach past the Nyquist frequency; returns
  // how many bands remain.
  static std::size_t fitToNyquist(std::vector<FeatureBand>& bands, double nyquistHz);

  std::vector<FeatureBand> bands_;
  FeatureBand outside_{};
};

}  // namespace orvelle
