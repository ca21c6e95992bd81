#include "engine/ab_bootstrap.h"

#include <algorithm>
#include <vector>

namespace orvelle::engine {

namespace {

std::uint64_t rotateLeft(std::uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); }

std::uint64_t splitMix64(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// xoshiro256** 1.0: written out here because the standard library's
// distributions differ between implementations.
class Xoshiro256 {
 public:
  explicit Xoshiro256(std::uint64_t seed) {
    for (std::uint64_t& word : state_) word = splitMix64(seed);
  }

  std::uint64_t next() {
    const std::uint64_t result = rotateLeft(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotateLeft(state_[3], 45);
    return result;
  }

  // Uniform in [0, bound), bound >= 1: the few smallest draws, which would
  // make the low indices likelier, are drawn again.
  std::uint64_t below(std::uint64_t bound) {
    const std::uint64_t threshold = (0 - bound) % bound;
    for (;;) {
      const std::uint64_t value = next();
      if (value >= threshold) return value % bound;
    }
  }

 private:
  std::uint64_t state_[4] = {};
};

}  // namespace

Interval pairedBootstrap95(std::span<const double> deltas) {
  Xoshiro256 random(kBootstrapSeed);
  std::vector<double> means(kBootstrapResamples);
  const auto count = static_cast<std::uint64_t>(deltas.size());
  for (double& mean : means) {
    double sum = 0.0;
    for (std::uint64_t i = 0; i < count; ++i) sum += deltas[random.below(count)];
    mean = sum / static_cast<double>(count);
  }
  std::sort(means.begin(), means.end());
  constexpr int kLowRank = kBootstrapResamples / 40;        // the 2.5 % point
  constexpr int kHighRank = kBootstrapResamples - kLowRank;  // the 97.5 % point
  return {means[kLowRank - 1], means[kHighRank - 1]};
}

}  // namespace orvelle::engine
