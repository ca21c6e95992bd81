#include "session/kaiser_band_pass.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kernels/kernel_table.h"

namespace orvelle {
namespace {

constexpr double kBesselRelativeTolerance = 0.0000001;
constexpr double kMaxTransitionMismatch = 0.00001;  // normalised frequency
constexpr double kMinAttenuationDb = 10.0;
constexpr double kMaxAttenuationDb = 200.0;

// Kaiser's empirical formulas for the shape parameter beta.
constexpr double kStrongAttenuationDb = 50.0;
constexpr double kStrongSlope = 0.1102;
constexpr double kStrongOffsetDb = 8.71;
constexpr double kModerateAttenuationDb = 21.0;
constexpr double kModerateScale = 0.5842;
constexpr double kModerateExponent = 0.4;
constexpr double kModerateSlope = 0.07886;
// Filter length: M = (A - 8) / (29 · transition width).
constexpr double kLengthOffsetDb = 8.0;
constexpr double kLengthDivisor = 29.0;

// The ideal response is defined with these five-digit values of 2π and π;
// the full-precision constants would give different coefficients.
constexpr double kTwoPiShort = 6.28318;
constexpr double kPiShort = 3.14159;

}  // namespace

double besselI0(double x) {
  const double xSquared = x * x;
  double sum = 1.0;
  double term = 1.0;
  double d = 0.0;
  do {
    d += 2.0;
    term = term * xSquared / (d * d);
    sum += term;
  } while (term > sum * kBesselRelativeTolerance);
  return sum;
}

void KaiserBandPass::reset() {
  ideal_.fill(0.0);
  window_.fill(0.0);
  windowed_.fill(0.0);
  halfLength_ = 0;
  tapCount_ = 0;
  shape_ = 0.0;
  std::vector<double>().swap(coefficients_);
  std::vector<double>().swap(history_);
  next_ = 0;
}

std::int32_t KaiserBandPass::design(double sampleRateHz, double f1, double f2, double f3, double f4,
                                    double attenuationDb) {
  reset();
  const double g1 = f1 / sampleRateHz;
  const double g2 = f2 / sampleRateHz;
  const double g3 = f3 / sampleRateHz;
  const double g4 = f4 / sampleRateHz;

  // Written as !(ok) so that a NaN anywhere fails its check.
  if (!(g1 > 0.0)) return kEdge1NotAboveZero;
  if (!(g1 < 0.5)) return kEdge1NotBelowNyquist;
  if (!(g2 > g1)) return kEdge2NotAboveEdge1;
  if (!(g2 < 0.5)) return kEdge2NotBelowNyquist;
  if (!(g3 > g2)) return kEdge3NotAboveEdge2;
  if (!(g3 < 0.5)) return kEdge3NotBelowNyquist;
  if (!(g4 > g3)) return kEdge4NotAboveEdge3;
  if (!(g4 < 0.5)) return kEdge4NotBelowNyquist;
  if (!(attenuationDb >= kMinAttenuationDb)) return kAttenuationTooLow;
  if (!(attenuationDb <= kMaxAttenuationDb)) return kAttenuationTooHigh;

  const double transition = g2 - g1;
  if (std::fabs(transition - (g4 - g3)) > kMaxTransitionMismatch) return kUnequalTransitions;

  const double a = attenuationDb;
  double shape = 0.0;
  if (a >= kStrongAttenuationDb) {
    shape = kStrongSlope * (a - kStrongOffsetDb);
  } else if (a >= kModerateAttenuationDb) {
    shape = kModerateScale * std::pow(a - kModerateAttenuationDb, kModerateExponent) +
            kModerateSlope * (a - kModerateAttenuationDb);
  }

  // Compared before truncating: a very narrow transition gives a length far
  // beyond what an int can hold.
  const double halfLength = (a - kLengthOffsetDb) / (kLengthDivisor * transition);
  if (!(halfLength < kMaxHalfLength + 1.0)) return kTooManyTaps;
  const std::int32_t m = static_cast<std::int32_t>(halfLength);
  const std::int32_t n = 2 * m + 1;

  const double lowerCutoff = (g1 + g2) / 2.0;
  const double upperCutoff = (g3 + g4) / 2.0;
  const double bandwidth = upperCutoff - lowerCutoff;
  const double centre = (lowerCutoff + upperCutoff) / 2.0;
  ideal_[static_cast<std::size_t>(m)] = 2.0 * bandwidth;
  for (std::int32_t i = 0; i < m; ++i) {
    const double k = static_cast<double>(m - i);
    ideal_[static_cast<std::size_t>(i)] = 2.0 * std::cos(kTwoPiShort * centre * k) *
                                          std::sin(kPiShort * bandwidth * k) / (kPiShort * k);
  }

  const double peak = besselI0(shape);
  for (std::int32_t i = 0; i <= m; ++i) {
    // A one-tap filter has a window of one point, the centre; without this
    // guard its position would be 0 / 0.
    const double u = m == 0 ? 0.0 : static_cast<double>(i - m) / static_cast<double>(m);
    const auto at = static_cast<std::size_t>(i);
    window_[at] = besselI0(shape * std::sqrt(1.0 - u * u)) / peak;
    windowed_[at] = ideal_[at] * window_[at];
  }

  coefficients_.resize(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i <= m; ++i) {
    coefficients_[static_cast<std::size_t>(i)] = windowed_[static_cast<std::size_t>(i)];
  }
  for (std::int32_t j = 0; j < m; ++j) {
    coefficients_[static_cast<std::size_t>(m + 1 + j)] = windowed_[static_cast<std::size_t>(m - 1 - j)];
  }

  halfLength_ = m;
  tapCount_ = n;
  shape_ = shape;
  history_.assign(static_cast<std::size_t>(n - 1 + kBlockRoom), 0.0);
  next_ = static_cast<std::size_t>(n - 1);
  return n;
}

// Moves the delay line to the front of the history once no room is left
// after it.
void KaiserBandPass::makeRoom() {
  if (next_ < history_.size()) return;
  const std::size_t delay = static_cast<std::size_t>(tapCount_ - 1);
  std::memmove(history_.data(), history_.data() + next_ - delay, delay * sizeof(double));
  next_ = delay;
}

double KaiserBandPass::filterSample(double x) {
  if (tapCount_ == 0) return 0.0;
  makeRoom();
  history_[next_] = x;
  const double* newest = history_.data() + next_;
  double y = 0.0;
  for (std::int32_t k = 0; k < tapCount_; ++k) y += coefficients_[static_cast<std::size_t>(k)] * newest[-k];
  ++next_;
  return y;
}

void KaiserBandPass::filterBlock(const double* input, double* output, std::int32_t count) {
  if (count <= 0) return;
  if (tapCount_ == 0) {
    std::fill(output, output + count, 0.0);
    return;
  }
  enter(input, output, count);
}

void KaiserBandPass::feed(const double* input, std::int32_t count) {
  if (count > 0 && tapCount_ > 0) enter(input, nullptr, count);
}

void KaiserBandPass::enter(const double* input, double* output, std::int32_t count) {
  while (count > 0) {
    makeRoom();
    const auto room = static_cast<std::int32_t>(history_.size() - next_);
    const std::int32_t run = std::min(count, room);
    std::copy(input, input + run, history_.begin() + static_cast<std::ptrdiff_t>(next_));
    if (output != nullptr) {
      convolve(history_.data() + next_, output, run);
      output += run;
    }
    next_ += static_cast<std::size_t>(run);
    input += run;
    count -= run;
  }
}

// Output j is the sum over k of c[k] · newest[j - k], added in order of k,
// exactly as filterSample adds it; whole outputs run side by side in vector
// lanes, and what the lanes leave over is summed one output at a time.
void KaiserBandPass::convolve(const double* newest, double* output, std::int32_t count) const {
  const double* c = coefficients_.data();
  const std::int32_t taps = tapCount_;
  // The kernels compute outputs side by side, each lane adding its
  // products in the order of the taps, as the plain loop below does.
  std::int32_t j = 0;
  if (const auto kernel = kernels().convolve) j = kernel(c, taps, newest, output, count);
  for (; j < count; ++j) {
    const double* x = newest + j;
    double y = 0.0;
    for (std::int32_t k = 0; k < taps; ++k) y += c[k] * x[-k];
    output[j] = y;
  }
}

}  // namespace orvelle
