#pragma once

#include <cstdint>
#include <vector>

namespace orvelle {

// Running mean of power spectra: after k additions each value is the mean of
// the k spectra's values at that bin. A read outside the bins yields 0.
class MeanSpectrum {
 public:
  // The values become `count` zeros and the frame count 0. A negative count
  // is taken as 0.
  void resize(std::int32_t count);
  // Adds one spectrum of at least count() values (extra values are ignored).
  // Refused, returning false, when power is null or the spectrum has no bins.
  bool add(const double* power);
  double value(std::int32_t bin) const;

  std::int32_t count() const { return static_cast<std::int32_t>(values_.size()); }
  std::int32_t frames() const { return frames_; }

 private:
  std::vector<double> values_;
  std::int32_t frames_ = 0;
};

}  // namespace orvelle
