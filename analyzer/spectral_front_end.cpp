#include "analyzer/spectral_front_end.h"

#include <cmath>
#include <utility>

namespace orvelle {

namespace {
// The value of pi the band energies were calibrated with; the precise
// constant would shift every table entry in its last digits.
constexpr double kPi = 3.1415926535;
// The analysis window: 0.54 + 0.46 cos(2 pi i / (N - 1)). The cosine term is
// added, so the window is 1.0 at the frame ends and about 0.08 in the middle.
constexpr double kWindowOffset = 0.54;
constexpr double kWindowCosineWeight = 0.46;
// From this stage on a block is long enough to have inner butterflies.
constexpr std::int32_t kFirstRotatingStage = 3;
}  // namespace

bool SpectralFrontEnd::setUp(std::int32_t exponent) {
  bitReversal_.clear();
  cosine_.clear();
  window_.clear();
  frameLength_ = exponent_ = halfLength_ = 0;
  if (exponent < 1 || exponent > kMaxExponent) return false;

  const std::int32_t n = std::int32_t{1} << exponent;
  exponent_ = exponent;
  frameLength_ = n;
  halfLength_ = n / 2;

  // Built by walking the already reversed prefix: each new entry is an
  // earlier one plus the next lower bit.
  bitReversal_.assign(static_cast<std::size_t>(n), 0);
  std::int32_t earlier = 0;
  std::int32_t step = n / 2;
  for (std::int32_t i = 1; i < n; ++i) {
    bitReversal_[i] = bitReversal_[earlier] + step;
    ++earlier;
    if (2 * earlier > i) {
      earlier = 0;
      step /= 2;
    }
  }

  cosine_.resize(static_cast<std::size_t>(halfLength_));
  for (std::int32_t i = 0; i < halfLength_; ++i) cosine_[i] = std::cos(kPi * i / n);
  return true;
}

void SpectralFrontEnd::setAnalysisWindow() {
  window_.resize(static_cast<std::size_t>(frameLength_));
  const double span = frameLength_ - 1;
  for (std::int32_t i = 0; i < frameLength_; ++i) {
    window_[i] = kWindowOffset + kWindowCosineWeight * std::cos(2.0 * kPi * i / span);
  }
}

void SpectralFrontEnd::applyWindow(double* frame) const {
  const std::size_t n = window_.size();
  for (std::size_t i = 0; i < n; ++i) frame[i] = window_[i] * frame[i];
}

void SpectralFrontEnd::transform(double* x) const {
  const std::int32_t n = frameLength_;
  if (n == 0) return;

  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t r = bitReversal_[i];
    if (i < r) std::swap(x[i], x[r]);
  }

  for (std::int32_t stage = 1; stage <= exponent_; ++stage) {
    const std::int32_t span = std::int32_t{1} << stage;
    const std::int32_t half = span / 2;
    const std::int32_t quarter = span / 4;
    for (std::int32_t b = 0; b < n; b += span) {
      const double first = x[b];
      const double second = x[b + half];
      x[b] = first + second;
      x[b + half] = first - second;
    }
    if (stage < kFirstRotatingStage) continue;
    // The butterflies of one stage touch disjoint elements, so visiting them
    // block by block instead of rotation by rotation changes no result and
    // keeps each block in cache.
    const std::int32_t tableStep = n / half;
    for (std::int32_t b = 0; b < n; b += span) {
      double* block = x + b;
      for (std::int32_t j = 1; j < quarter; ++j) {
        const double c = cosine_[j * tableStep];            // cos(2 pi j / span)
        const double s = cosine_[halfLength_ - j * tableStep];  // sin(2 pi j / span)
        const double a = block[j];
        const double bb = block[half + j];
        const double cc = block[half - j];
        const double d = block[span - j];
        const double t1 = c * bb - s * d;
        const double t2 = c * d + s * bb;
        block[j] = a + t1;
        block[half - j] = a - t1;
        block[half + j] = t2 - cc;
        block[span - j] = t2 + cc;
      }
    }
  }

  const double scale = 1.0 / halfLength_;
  for (std::int32_t i = 0; i < n; ++i) x[i] *= scale;
}

void SpectralFrontEnd::powerSpectrum(const double* x, double* power) const {
  const std::int32_t n = frameLength_;
  if (n == 0) return;
  power[0] = x[0] * x[0];
  for (std::int32_t k = 1; k < halfLength_; ++k) power[k] = x[k] * x[k] + x[n - k] * x[n - k];
  power[halfLength_] = x[halfLength_] * x[halfLength_];
}

double SpectralFrontEnd::binPosition(double frequencyHz) const {
  return (halfLength_ - 1) * 2 * frequencyHz / sampleRate_;
}

std::int32_t SpectralFrontEnd::bitReversal(std::int32_t index) const {
  if (index < 0 || index >= static_cast<std::int32_t>(bitReversal_.size())) return 0;
  return bitReversal_[index];
}

double SpectralFrontEnd::windowValue(std::int32_t index) const {
  if (index < 0 || index >= static_cast<std::int32_t>(window_.size())) return 0.0;
  return window_[index];
}

}  // namespace orvelle
