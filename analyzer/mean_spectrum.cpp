#include "analyzer/mean_spectrum.h"

#include "analyzer/double_pair.h"

namespace orvelle {

void MeanSpectrum::resize(std::int32_t count) {
  values_.assign(count > 0 ? static_cast<std::size_t>(count) : 0, 0.0);
  frames_ = 0;
}

bool MeanSpectrum::add(const double* power) {
  if (power == nullptr || values_.empty()) return false;
  ++frames_;
  // The incremental form keeps the mean in range however many frames a long
  // signal contributes; it is also the form the band energies are pinned to.
  const double frames = frames_;
  const std::size_t n = values_.size();
  double* values = values_.data();
  const DoublePair framesPair = splat(frames);
  std::size_t i = 0;
  for (; i + 1 < n; i += 2) {
    const DoublePair v = loadPair(values + i);
    storePair(values + i, v + (loadPair(power + i) - v) / framesPair);
  }
  for (; i < n; ++i) values[i] += (power[i] - values[i]) / frames;
  return true;
}

double MeanSpectrum::value(std::int32_t bin) const {
  if (bin < 0 || bin >= count()) return 0.0;
  return values_[static_cast<std::size_t>(bin)];
}

}  // namespace orvelle
