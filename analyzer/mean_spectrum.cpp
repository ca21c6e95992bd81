#include "analyzer/mean_spectrum.h"

#include "analyzer/mean_step.h"

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
  addMeanStep(values_.data(), power, values_.size(), frames_);
  return true;
}

double MeanSpectrum::value(std::int32_t bin) const {
  if (bin < 0 || bin >= count()) return 0.0;
  return values_[static_cast<std::size_t>(bin)];
}

}  // namespace orvelle
