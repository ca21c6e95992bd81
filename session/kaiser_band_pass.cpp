#include "session/kaiser_band_pass.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// Outputs computed together, each in a vector lane of its own. Every lane
// adds its products in the order of the taps, so the lane width changes only
// how many outputs run side by side, never a bit of any of them.
using LanePair = double __attribute__((vector_size(2 * sizeof(double))));
using LaneQuad = double __attribute__((vector_size(4 * sizeof(double))));

// Eight vectors of outputs per pass, written out as separate variables: the
// optimiser keeps them in registers only then, and eight independent sums
// keep both adders busy through each add's latency. Returns how many
// outputs it made (a multiple of eight vectors); the rest is left to the
// caller. Always inlined, so that each caller below compiles it for its own
// instruction set.
template <typename Vector>
__attribute__((always_inline)) inline std::int32_t convolveLanes(const double* c, std::int32_t taps,
                                                                 const double* newest, double* output,
                                                                 std::int32_t count) {
  constexpr auto kWidth = static_cast<std::int32_t>(sizeof(Vector) / sizeof(double));
  constexpr std::int32_t kStride = 8 * kWidth;
  std::int32_t j = 0;
  for (; j + kStride <= count; j += kStride) {
    Vector sum0 = {}, sum1 = {}, sum2 = {}, sum3 = {};
    Vector sum4 = {}, sum5 = {}, sum6 = {}, sum7 = {};
    const double* lane0 = newest + j;
    for (std::int32_t k = 0; k < taps; ++k) {
      const double ck = c[k];
      const double* x = lane0 - k;
      Vector x0, x1, x2, x3, x4, x5, x6, x7;
      std::memcpy(&x0, x, sizeof(Vector));
      std::memcpy(&x1, x + kWidth, sizeof(Vector));
      std::memcpy(&x2, x + 2 * kWidth, sizeof(Vector));
      std::memcpy(&x3, x + 3 * kWidth, sizeof(Vector));
      std::memcpy(&x4, x + 4 * kWidth, sizeof(Vector));
      std::memcpy(&x5, x + 5 * kWidth, sizeof(Vector));
      std::memcpy(&x6, x + 6 * kWidth, sizeof(Vector));
      std::memcpy(&x7, x + 7 * kWidth, sizeof(Vector));
      sum0 += x0 * ck;
      sum1 += x1 * ck;
      sum2 += x2 * ck;
      sum3 += x3 * ck;
      sum4 += x4 * ck;
      sum5 += x5 * ck;
      sum6 += x6 * ck;
      sum7 += x7 * ck;
    }
    std::memcpy(output + j, &sum0, sizeof(Vector));
    std::memcpy(output + j + kWidth, &sum1, sizeof(Vector));
    std::memcpy(output + j + 2 * kWidth, &sum2, sizeof(Vector));
    std::memcpy(output + j + 3 * kWidth, &sum3, sizeof(Vector));
    std::memcpy(output + j + 4 * kWidth, &sum4, sizeof(Vector));
    std::memcpy(output + j + 5 * kWidth, &sum5, sizeof(Vector));
    std::memcpy(output + j + 6 * kWidth, &sum6, sizeof(Vector));
    std::memcpy(output + j + 7 * kWidth, &sum7, sizeof(Vector));
  }
  return j;
}

// Two lanes: every x86-64 processor has them.
std::int32_t convolvePairs(const double* c, std::int32_t taps, const double* newest, double* output,
                           std::int32_t count) {
  return convolveLanes<LanePair>(c, taps, newest, output, count);
}

using ConvolveEntry = std::int32_t (*)(const double*, std::int32_t, const double*, double*, std::int32_t);

#if defined(__x86_64__)
// Four lanes, on processors that have them (checked once, below). Only
// separate multiplies and adds: the fused form would round once instead of
// twice and change the outputs.
__attribute__((target("avx2"))) std::int32_t convolveQuads(const double* c, std::int32_t taps,
                                                           const double* newest, double* output,
                                                           std::int32_t count) {
  return convolveLanes<LaneQuad>(c, taps, newest, output, count);
}

ConvolveEntry widestConvolve() {
  static const ConvolveEntry entry = __builtin_cpu_supports("avx2") ? convolveQuads : convolvePairs;
  return entry;
}
#else
ConvolveEntry widestConvolve() { return convolvePairs; }
#endif

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
  std::int32_t j = widestConvolve()(c, taps, newest, output, count);
  j += convolvePairs(c, taps, newest + j, output + j, count - j);
  for (; j < count; ++j) {
    const double* x = newest + j;
    double y = 0.0;
    for (std::int32_t k = 0; k < taps; ++k) y += c[k] * x[-k];
    output[j] = y;
  }
}

}  // namespace orvelle
