// The block-wise correlation against the plain sum over every lag, on
// lengths that end inside a block, span several or are shorter than the lag
// range; and the same bits when several threads correlate at once.
#include "analyzer/lagged_correlation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace orvelle {
namespace {

std::vector<std::int16_t> randomSamples(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(-20000, 20000);
  std::vector<std::int16_t> samples(count);
  for (auto& sample : samples) sample = static_cast<std::int16_t>(value(random));
  return samples;
}

// r(l) = sum over n of a[n] b[n + l], b zero outside.
std::vector<double> plainCorrelation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                                     std::int32_t maxLag) {
  std::vector<double> r(2 * static_cast<std::size_t>(maxLag) + 1, 0.0);
  const auto count = static_cast<std::int64_t>(a.size());
  for (std::int32_t lag = -maxLag; lag <= maxLag; ++lag) {
    double sum = 0.0;
    for (std::int64_t n = 0; n < count; ++n) {
      const std::int64_t m = n + lag;
      if (m >= 0 && m < count) sum += static_cast<double>(a[static_cast<std::size_t>(n)]) * b[static_cast<std::size_t>(m)];
    }
    r[static_cast<std::size_t>(lag + maxLag)] = sum;
  }
  return r;
}

TEST(LaggedCorrelation, EveryLagIsThePlainSumWhereverTheSignalEnds) {
  constexpr std::int32_t kMaxLag = 300;  // blocks of 4096 - 600 samples
  for (const std::size_t count : {std::size_t{1}, std::size_t{250}, std::size_t{3496}, std::size_t{3497},
                                  std::size_t{7000}, std::size_t{10489}}) {
    const std::vector<std::int16_t> a = randomSamples(count, 7u + static_cast<std::uint32_t>(count));
    // b is a delayed, quieter a with noise, so the correlation has a peak.
    std::vector<std::int16_t> b = randomSamples(count, 99u);
    for (std::size_t n = 37; n < count; ++n) b[n] = static_cast<std::int16_t>(b[n] / 4 + a[n - 37] / 2);
    const std::vector<double> expected = plainCorrelation(a, b, kMaxLag);
    const std::vector<double> measured = laggedCorrelation(a, b, kMaxLag);
    ASSERT_EQ(measured.size(), expected.size());
    double scale = 0.0;
    for (const std::int16_t s : a) scale += static_cast<double>(s) * s;
    for (std::size_t k = 0; k < expected.size(); ++k) {
      ASSERT_NEAR(measured[k], expected[k], 1e-9 * scale + 1e-6) << "count " << count << " lag " << k;
    }
  }
}

// Whole blocks of silence, in one signal or the other, in the middle and at
// the end (as after every voice file): each lag is still the plain sum, and
// a lag with nothing to sum is +0, never -0.
TEST(LaggedCorrelation, SilentBlocksLeaveEveryLagAsThePlainSum) {
  constexpr std::int32_t kMaxLag = 300;  // blocks of 4096 - 600 samples
  constexpr std::size_t kCount = 6 * 3496 + 1000;
  const std::vector<std::int16_t> loud = randomSamples(kCount, 11u);
  for (int silentSignal = 0; silentSignal < 2; ++silentSignal) {
    std::vector<std::int16_t> a = loud;
    std::vector<std::int16_t> b = randomSamples(kCount, 13u);
    std::vector<std::int16_t>& quiet = silentSignal == 0 ? a : b;
    std::fill(quiet.begin() + 3496, quiet.begin() + 3 * 3496 + 700, 0);  // two whole blocks and more
    std::fill(quiet.begin() + 4 * 3496 + 300, quiet.end(), 0);
    const std::vector<double> expected = plainCorrelation(a, b, kMaxLag);
    const std::vector<double> measured = laggedCorrelation(a, b, kMaxLag);
    double scale = 0.0;
    for (const std::int16_t s : loud) scale += static_cast<double>(s) * s;
    for (std::size_t k = 0; k < expected.size(); ++k) {
      ASSERT_NEAR(measured[k], expected[k], 1e-9 * scale + 1e-6) << "silent " << silentSignal << " lag " << k;
    }
  }
  const std::vector<std::int16_t> silence(kCount, 0);
  for (const double lag : laggedCorrelation(silence, loud, kMaxLag)) ASSERT_FALSE(std::signbit(lag));
  for (const double lag : laggedCorrelation(loud, silence, kMaxLag)) ASSERT_FALSE(std::signbit(lag));
}

TEST(LaggedCorrelation, DoubleSamplesCorrelateAsTheirIntegerValues) {
  const std::vector<std::int16_t> a = randomSamples(5000, 3u);
  const std::vector<std::int16_t> b = randomSamples(5000, 4u);
  const std::vector<double> wideA(a.begin(), a.end());
  const std::vector<double> wideB(b.begin(), b.end());
  const std::vector<double> fromIntegers = laggedCorrelation(a, b, 200);
  const std::vector<double> fromDoubles = laggedCorrelation(wideA, wideB, 200);
  ASSERT_EQ(fromIntegers.size(), fromDoubles.size());
  EXPECT_EQ(0, std::memcmp(fromIntegers.data(), fromDoubles.data(), fromIntegers.size() * sizeof(double)));
}

TEST(LaggedCorrelationThreaded, CorrelationsRunAtOnceGiveTheBitsOfOneAtATime) {
  // Two lengths of transform, each wanted by two threads at once.
  const std::vector<std::int16_t> a = randomSamples(20000, 11u);
  const std::vector<std::int16_t> b = randomSamples(20000, 12u);
  const std::int32_t lags[4] = {1600, 200, 1600, 200};
  std::vector<double> together[4];
  {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] { together[t] = laggedCorrelation(a, b, lags[t]); });
    }
    for (std::thread& thread : threads) thread.join();
  }
  for (int t = 0; t < 4; ++t) {
    const std::vector<double> alone = laggedCorrelation(a, b, lags[t]);
    ASSERT_EQ(alone.size(), together[t].size());
    EXPECT_EQ(0, std::memcmp(alone.data(), together[t].data(), alone.size() * sizeof(double))) << "thread " << t;
  }
}

}  // namespace
}  // namespace orvelle
