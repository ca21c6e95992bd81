#include "analyzer/spectral_front_end.h"

#include "analyzer/double_pair.h"

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
  stageCosine_.clear();
  stageSine_.clear();
  stageOffset_.clear();
  swapPairs_.clear();
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

  // The permutation as the list of swaps it makes (each pair once).
  swapPairs_.clear();
  for (std::int32_t i = 0; i < n; ++i) {
    if (i < bitReversal_[i]) swapPairs_.push_back({i, bitReversal_[i]});
  }

  // Each stage's rotations laid out contiguously: entry j of stage k holds
  // cos and sin of 2 pi j / 2^k, copied from the cosine table.
  stageOffset_.assign(static_cast<std::size_t>(exponent) + 1, 0);
  stageCosine_.clear();
  stageSine_.clear();
  for (std::int32_t stage = kFirstRotatingStage; stage <= exponent; ++stage) {
    const std::int32_t span = std::int32_t{1} << stage;
    const std::int32_t quarter = span / 4;
    const std::int32_t tableStep = n / (span / 2);
    stageOffset_[stage] = static_cast<std::int32_t>(stageCosine_.size());
    for (std::int32_t j = 0; j < quarter; ++j) {
      stageCosine_.push_back(j == 0 ? 1.0 : cosine_[j * tableStep]);
      stageSine_.push_back(j == 0 ? 0.0 : cosine_[halfLength_ - j * tableStep]);
    }
  }
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
  std::size_t i = 0;
  for (; i + 1 < n; i += 2) storePair(frame + i, loadPair(window_.data() + i) * loadPair(frame + i));
  for (; i < n; ++i) frame[i] = window_[i] * frame[i];
}

void SpectralFrontEnd::windowSamples(const std::int16_t* samples, double* frame) const {
  const std::size_t n = window_.size();
  for (std::size_t i = 0; i < n; ++i) frame[i] = window_[i] * static_cast<double>(samples[i]);
}

void SpectralFrontEnd::transform(double* x) const {
  const std::int32_t n = frameLength_;
  if (n == 0) return;

  for (const auto& [i, r] : swapPairs_) std::swap(x[i], x[r]);

  // The first stages work inside small blocks, so they are done block by
  // block with the block held in registers: stages 1 to 3 on blocks of
  // eight, or stages 1 and 2 on blocks of four for the smallest frames. Each
  // element goes through the same operations, in the same order, as in
  // separate passes.
  std::int32_t firstPassStage = 1;
  if (exponent_ >= 3) {
    const double c = stageCosine_[stageOffset_[3] + 1];
    const double s = stageSine_[stageOffset_[3] + 1];
    for (std::int32_t b = 0; b < n; b += 8) {
      double* v = x + b;
      // Stage 1: neighbouring pairs.
      const double s01 = v[0] + v[1], d01 = v[0] - v[1];
      const double s23 = v[2] + v[3], d23 = v[2] - v[3];
      const double s45 = v[4] + v[5], d45 = v[4] - v[5];
      const double s67 = v[6] + v[7], d67 = v[6] - v[7];
      // Stage 2: elements 0/2 and 4/6 of each half; 1 and 3 pass through.
      const double e0 = s01 + s23, e2 = s01 - s23;
      const double e4 = s45 + s67, e6 = s45 - s67;
      // Stage 3: 0/4, then the one rotation on 1, 3, 5, 7; 2 and 6 pass.
      const double t1 = c * d45 - s * d67;
      const double t2 = c * d67 + s * d45;
      v[0] = e0 + e4;
      v[4] = e0 - e4;
      v[1] = d01 + t1;
      v[3] = d01 - t1;
      v[5] = t2 - d23;
      v[7] = t2 + d23;
      v[2] = e2;
      v[6] = e6;
    }
    firstPassStage = 4;
  } else if (exponent_ == 2) {
    const double s01 = x[0] + x[1], d01 = x[0] - x[1];
    const double s23 = x[2] + x[3], d23 = x[2] - x[3];
    x[0] = s01 + s23;
    x[1] = d01;
    x[2] = s01 - s23;
    x[3] = d23;
    firstPassStage = 3;
  }

  for (std::int32_t stage = firstPassStage; stage <= exponent_; ++stage) {
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
    // block by block, and two rotations at a time, changes no result: every
    // element still sees the same operations on the same operands.
    const double* cosines = stageCosine_.data() + stageOffset_[stage];
    const double* sines = stageSine_.data() + stageOffset_[stage];
    for (std::int32_t b = 0; b < n; b += span) {
      double* block = x + b;
      std::int32_t j = 1;
      for (; j + 1 < quarter; j += 2) {
        const DoublePair c = loadPair(cosines + j);
        const DoublePair s = loadPair(sines + j);
        const DoublePair a = loadPair(block + j);
        const DoublePair bb = loadPair(block + half + j);
        const DoublePair cc = reversed(loadPair(block + half - j - 1));
        const DoublePair d = reversed(loadPair(block + span - j - 1));
        const DoublePair t1 = c * bb - s * d;
        const DoublePair t2 = c * d + s * bb;
        storePair(block + j, a + t1);
        storePair(block + half - j - 1, reversed(a - t1));
        storePair(block + half + j, t2 - cc);
        storePair(block + span - j - 1, reversed(t2 + cc));
      }
      for (; j < quarter; ++j) {
        const double c = cosines[j];
        const double s = sines[j];
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
  const DoublePair scalePair = {scale, scale};
  std::int32_t i = 0;
  for (; i + 1 < n; i += 2) storePair(x + i, loadPair(x + i) * scalePair);
  for (; i < n; ++i) x[i] *= scale;
}

void SpectralFrontEnd::powerSpectrum(const double* x, double* power) const {
  const std::int32_t n = frameLength_;
  if (n == 0) return;
  power[0] = x[0] * x[0];
  std::int32_t k = 1;
  for (; k + 1 < halfLength_; k += 2) {
    const DoublePair low = loadPair(x + k);
    const DoublePair high = reversed(loadPair(x + n - k - 1));  // x[n - k], x[n - k - 1]
    storePair(power + k, low * low + high * high);
  }
  for (; k < halfLength_; ++k) power[k] = x[k] * x[k] + x[n - k] * x[n - k];
  power[halfLength_] = x[halfLength_] * x[halfLength_];
}

double SpectralFrontEnd::binPosition(double frequencyHz) const {
  return (halfLength_ - 1) * 2 * frequencyHz / sampleRate_;
}

LaneTables SpectralFrontEnd::laneTables() const {
  LaneTables tables;
  tables.window = window_.data();
  tables.reversal = bitReversal_.data();
  tables.stageCosine = stageCosine_.data();
  tables.stageSine = stageSine_.data();
  tables.stageOffset = stageOffset_.data();
  tables.exponent = exponent_;
  return tables;
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
