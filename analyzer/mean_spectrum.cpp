#include "analyzer/mean_spectrum.h"

#include <cstring>

#include "dsp/cpu_features.h"

namespace orvelle {

namespace {

// values[i] += (power[i] - values[i]) / frames for every bin, several bins
// to a vector; each bin's arithmetic is the scalar one. Returns how many bins
// it updated (a multiple of the vector width). Always inlined, so that each
// caller below compiles it for its own instruction set.
template <typename Vector>
__attribute__((always_inline)) inline std::size_t updateLanes(double* values, const double* power, std::size_t n,
                                                              double frames) {
  constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);
  const Vector divisor = Vector{} + frames;
  std::size_t i = 0;
  for (; i + kWidth <= n; i += kWidth) {
    Vector v, p;
    std::memcpy(&v, values + i, sizeof v);
    std::memcpy(&p, power + i, sizeof p);
    v = v + (p - v) / divisor;
    std::memcpy(values + i, &v, sizeof v);
  }
  return i;
}

using LanePair = double __attribute__((vector_size(2 * sizeof(double))));

std::size_t updatePairs(double* values, const double* power, std::size_t n, double frames) {
  return updateLanes<LanePair>(values, power, n, frames);
}

using UpdateEntry = std::size_t (*)(double*, const double*, std::size_t, double);

#if defined(__x86_64__)
using LaneQuad = double __attribute__((vector_size(4 * sizeof(double))));

// Four bins a division where the processor has AVX2 (checked once, below):
// the divider's throughput is what bounds this loop.
__attribute__((target("avx2"))) std::size_t updateQuads(double* values, const double* power, std::size_t n,
                                                        double frames) {
  return updateLanes<LaneQuad>(values, power, n, frames);
}

UpdateEntry widestUpdate() {
  static const UpdateEntry entry = processorHasAvx2() ? updateQuads : updatePairs;
  return entry;
}
#else
UpdateEntry widestUpdate() { return updatePairs; }
#endif

}  // namespace

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
  std::size_t i = widestUpdate()(values, power, n, frames);
  i += updatePairs(values + i, power + i, n - i, frames);
  for (; i < n; ++i) values[i] += (power[i] - values[i]) / frames;
  return true;
}

double MeanSpectrum::value(std::int32_t bin) const {
  if (bin < 0 || bin >= count()) return 0.0;
  return values_[static_cast<std::size_t>(bin)];
}

}  // namespace orvelle
