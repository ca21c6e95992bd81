// The shortcuts past subnormal arithmetic must give the bits the plain
// arithmetic gives. The plain arithmetic here runs on the processor as it
// is (no flush-to-zero), which rounds subnormal results exactly, only
// slowly.
#include "dsp/underflow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "dsp/lpc_analysis.h"
#include "dsp/lpc_lanes.h"
#include "dsp/speech_activity_detector.h"
#include "tests/dsp/speech_activity_detector_probe.h"
#include "tests/dsp/test_signals.h"
#include "tests/support/kernel_paths.h"

namespace orvelle {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }

// The pre-processing filter's step as written, with its input and input
// history zero.
double plainSilentStep(double a1, double a2, double y1, double y2) {
  constexpr double kB0 = 0.92727435, kB1 = 1.8544941, kB2 = 0.92727435;
  const double x = 0.0, in1 = 0.0, in2 = 0.0;
  return kB0 * x - kB1 * in1 + kB2 * in2 + a1 * y1 - a2 * y2;
}

SilentFilterStep stepFor(double a1, double a2) {
  return SilentFilterStep{static_cast<std::uint64_t>(a1 * 0x1p52), static_cast<std::uint64_t>(a2 * 0x1p53)};
}

TEST(Underflow, SilentFilterStepHasTheBitsOfThePlainStep) {
  std::mt19937_64 random(41);
  std::uniform_real_distribution<double> above1(1.0, 2.0);
  std::uniform_real_distribution<double> above05(0.5, 1.0);
  const double pairs[][2] = {{1.9059465, 0.9114024},  // the detector's
                             {1.0, 0.5},
                             {std::nextafter(2.0, 0.0), std::nextafter(1.0, 0.0)},
                             {above1(random), above05(random)},
                             {above1(random), above05(random)}};
  // States from the grid's very bottom to just below 2^-1023, both signs,
  // and the edges of that range.
  const std::uint64_t limit = std::uint64_t{1} << 51;
  const std::uint64_t edges[] = {0, 1, 2, 3, limit / 2, limit - 2, limit - 1};
  auto state = [&](int i) {
    std::uint64_t magnitude = i < 7 ? edges[i] : random() % limit;
    if (i >= 7 && i % 3 == 0) magnitude >>= random() % 51;  // small counts too
    return std::bit_cast<double>(magnitude | ((random() & 1) << 63));
  };
  int nonZero = 0;
  for (const auto& pair : pairs) {
    const SilentFilterStep step = stepFor(pair[0], pair[1]);
    for (int i = 0; i < 40000; ++i) {
      const double y1 = state(i % 50 == 0 ? i / 50 % 7 : 7 + i);
      const double y2 = state(i % 70 == 0 ? i / 70 % 7 : 8 + i);
      double y = 12345.0;
      const bool taken = step(y1, y2, y);
      ASSERT_EQ(taken, y1 != 0.0 || y2 != 0.0);
      if (!taken) continue;
      const double plain = plainSilentStep(pair[0], pair[1], y1, y2);
      ASSERT_EQ(bitsOf(y), bitsOf(plain)) << std::hexfloat << "a1 " << pair[0] << " a2 " << pair[1] << " y1 " << y1
                                          << " y2 " << y2;
      if (y != 0.0) ++nonZero;
    }
  }
  EXPECT_GT(nonZero, 100000);
}

TEST(Underflow, SilentFilterStepLeavesLargerAndZeroStatesToThePlainStep) {
  const SilentFilterStep step = stepFor(1.9059465, 0.9114024);
  const double tiny = 0x1p-1030;
  for (const double large : {0x1p-1023, -0x1p-1023, 0x1p-1000, 1.0, -3000.0, kInfinity, kNan}) {
    double y = 7.0;
    EXPECT_FALSE(step(large, tiny, y)) << large;
    EXPECT_FALSE(step(tiny, large, y)) << large;
    EXPECT_EQ(y, 7.0);
  }
  // A memory decayed to zero is no work for the plain step either.
  double y = 7.0;
  for (const double a : {0.0, -0.0}) {
    for (const double b : {0.0, -0.0}) EXPECT_FALSE(step(a, b, y));
  }
  EXPECT_EQ(y, 7.0);
}

TEST(Underflow, ProductsUnderflowExactlyWhenEveryProductRoundsToZero) {
  const double below = std::nextafter(0x1p-538, 0.0);
  std::vector<double> values = {below, -below, 0x1p-600, -0x1p-1074, 0.0, -0.0, 0x1p-1022};
  ASSERT_TRUE(productsUnderflow(values.data(), static_cast<int>(values.size())));
  for (const double a : values) {
    for (const double b : values) EXPECT_EQ(a * b, 0.0) << std::hexfloat << a << " * " << b;
  }
  EXPECT_TRUE(productsUnderflow(values.data(), 0));
  EXPECT_EQ(largestMagnitudeBits(values.data(), static_cast<int>(values.size()), ~std::uint64_t{0}), bitsOf(below));
  for (const double outside : {0x1p-538, -0x1p-538, 0x1p-500, 1.0, kInfinity, -kInfinity, kNan}) {
    std::vector<double> with = values;
    with.insert(with.begin() + 3, outside);
    EXPECT_FALSE(productsUnderflow(with.data(), static_cast<int>(with.size()))) << outside;
  }
}

TEST(Underflow, LargestMagnitudeBitsIsTheLargestUnlessEnoughIsReached) {
  // Random bit patterns of every kind (NaNs, infinities, subnormal numbers,
  // both signs) at every length around the vector width.
  std::mt19937_64 random(3);
  for (int trial = 0; trial < 5000; ++trial) {
    const int count = static_cast<int>(random() % 40);
    std::vector<double> v(static_cast<std::size_t>(count));
    for (double& x : v) {
      const std::uint64_t bits = random() >> (random() % 64);
      x = std::bit_cast<double>(random() % 2 == 0 ? bits : bits | 0x8000000000000000u);
    }
    std::uint64_t largest = 0;
    for (const double x : v) largest = std::max(largest, bitsOf(x) & 0x7fffffffffffffffu);
    ASSERT_EQ(largestMagnitudeBits(v.data(), count, ~std::uint64_t{0}), largest);
    const std::uint64_t enough = random() >> (random() % 64);
    const std::uint64_t found = largestMagnitudeBits(v.data(), count, enough);
    if (largest < enough) {
      ASSERT_EQ(found, largest);
    } else {
      ASSERT_GE(found, enough);
      ASSERT_LE(found, largest);
    }
  }
}

// Four weighted windows (kLpcWindowLength values and kLaneLags zeros each)
// summed by every path; each lag must have the plain sums' bits.
void expectQuietSumsArePlain(const std::vector<std::vector<double>>& y, const char* what) {
  const double* windows[4] = {y[0].data(), y[1].data(), y[2].data(), y[3].data()};
  double expected[4][kFrameLaneLags];
  double* expectedOut[4] = {expected[0], expected[1], expected[2], expected[3]};
  quietLagSums(KernelPath::reference, windows, expectedOut);
  for (const KernelPath path : availableKernelPaths()) {
    double actual[4][kFrameLaneLags];
    double* actualOut[4] = {actual[0], actual[1], actual[2], actual[3]};
    quietLagSums(path, windows, actualOut);
    for (int l = 0; l < 4; ++l) {
      for (int k = 0; k < kFrameLaneLags; ++k) {
        ASSERT_EQ(bitsOf(actual[l][k]), bitsOf(expected[l][k]))
            << what << " path " << static_cast<int>(path) << " window " << l << " lag " << k << std::hexfloat
            << " expected " << expected[l][k] << " got " << actual[l][k];
      }
    }
  }
}

std::vector<std::vector<double>> emptyWindows() {
  return std::vector<std::vector<double>>(4, std::vector<double>(kLpcWindowLength + kLaneLags, 0.0));
}

TEST(Underflow, QuietLagSumsHaveTheBitsOfThePlainSums) {
  std::mt19937_64 random(47);
  std::uniform_real_distribution<double> unit(1.0, 2.0);
  int tiesOnTheGrid = 0;
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<std::vector<double>> y = emptyWindows();
    const int kind = trial % 4;
    for (auto& window : y) {
      const int top = -480 - static_cast<int>(random() % 70);
      for (int n = 0; n < kLpcWindowLength; ++n) {
        double v = 0.0;
        if (kind == 0) {
          // Any magnitude from the quiet bound down past the subnormal numbers.
          v = std::ldexp(unit(random), top - static_cast<int>(random() % 620));
        } else if (kind == 1) {
          // A decay, as the filter's memory after speech gives it.
          v = std::ldexp(unit(random), top - n / 3);
        } else {
          // Few significant bits around 2^-537, so that products land on
          // or next to the midpoints between multiples of 2^-1074; now and
          // then one more bit far down, so that the exact product is just
          // off the midpoint.
          const int odd = 1 + 2 * static_cast<int>(random() % 16);
          v = std::ldexp(static_cast<double>(odd), -535 - static_cast<int>(random() % 6));
          if (kind == 3 && random() % 4 == 0) v += std::ldexp(v, -52 + static_cast<int>(random() % 3));
        }
        if (random() % 9 == 0) v = 0.0;
        window[static_cast<std::size_t>(n)] = random() % 2 == 0 ? v : -v;
      }
    }
    if (kind >= 2) {
      // Count the exact products that are midpoints of the subnormal grid:
      // an odd count of 2^-1075 (exact here: few significant bits).
      for (int n = 0; n + 1 < kLpcWindowLength; ++n) {
        const double halfSteps = std::ldexp(y[0][static_cast<std::size_t>(n)], 538) *
                                 std::ldexp(y[0][static_cast<std::size_t>(n + 1)], 537);
        if (halfSteps != 0.0 && std::fabs(halfSteps) < 0x1p52 && std::fmod(halfSteps, 2.0) != 0.0 &&
            halfSteps == std::trunc(halfSteps)) {
          ++tiesOnTheGrid;
        }
      }
    }
    expectQuietSumsArePlain(y, kind == 0 ? "any" : kind == 1 ? "decay" : "few bits");
  }
  EXPECT_GT(tiesOnTheGrid, 0);
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

// The filter as written, for the test's own record of the pre-processed
// signal.
struct PlainFilter {
  double in1 = 0.0, in2 = 0.0, out1 = 0.0, out2 = 0.0;
  double step(double x) {
    const double y = 0.92727435 * x - 1.8544941 * in1 + 0.92727435 * in2 + 1.9059465 * out1 - 0.9114024 * out2;
    in2 = in1;
    in1 = x;
    out2 = out1;
    out1 = y;
    return y;
  }
};

// Speech, then digital silence long enough for the filter's memory to decay
// through the subnormal numbers, then speech again: taken in runs (which
// skip the lag sums of silent windows) and frame by frame (which sum them),
// with the same decisions and state; and the pre-processed window after
// every frame as the plain filter gives it.
TEST(Underflow, DetectorThroughLongSilenceKeepsThePlainArithmetic) {
  using Probe = SpeechActivityDetectorProbe;
  constexpr int kFrame = SpeechActivityDetector::kFrameLength;
  test::NoiseSource noise(5);
  std::vector<std::int16_t> signal;
  test::appendStretch(signal, test::Stretch::Noise, 150, noise);
  test::appendStretch(signal, test::Stretch::Tone, 60, noise);
  signal.resize(signal.size() + 400 * kFrame, 0);  // 4 s: the memory reaches the subnormal numbers after about 2
  test::appendStretch(signal, test::Stretch::Tone, 40, noise);
  test::appendStretch(signal, test::Stretch::Noise, 60, noise);
  signal.resize(signal.size() + 300 * kFrame, 0);
  const int frames = static_cast<int>(signal.size() / kFrame);

  SpeechActivityDetector inRuns, byFrame;
  inRuns.reset();
  byFrame.reset();
  PlainFilter plain;
  std::vector<double> filtered;
  int subnormalWindows = 0;
  int done = 0;
  std::mt19937 random(43);
  while (done < frames) {
    const int run = std::min(frames - done, 1 + static_cast<int>(random() % 40));
    std::vector<std::int32_t> decisions(static_cast<std::size_t>(run));
    inRuns.processFrames(signal.data() + static_cast<std::ptrdiff_t>(done) * kFrame, run, decisions.data());
    for (int f = 0; f < run; ++f) {
      const std::int16_t* frame = signal.data() + static_cast<std::ptrdiff_t>(done + f) * kFrame;
      ASSERT_EQ(decisions[static_cast<std::size_t>(f)], byFrame.processFrame(frame)) << "frame " << done + f;
      for (int n = 0; n < kFrame; ++n) filtered.push_back(plain.step(frame[n]));
      // The window keeps the last 160 pre-processed samples, and the last
      // frame once more where the next one will go.
      const std::array<double, 240>& window = Probe::speechBuffer(byFrame);
      bool subnormal = false;
      for (int n = 0; n < 240; ++n) {
        const std::ptrdiff_t back = n < 160 ? 160 - n : 240 - n;
        const auto at = static_cast<std::ptrdiff_t>(filtered.size()) - back;
        const double expected = at >= 0 ? filtered[static_cast<std::size_t>(at)] : 0.0;
        ASSERT_EQ(bitsOf(window[static_cast<std::size_t>(n)]), bitsOf(expected))
            << "frame " << done + f << " sample " << n;
        subnormal |= expected != 0.0 && std::fabs(expected) < 0x1p-1022;
      }
      if (subnormal) ++subnormalWindows;
    }
    done += run;
    ASSERT_TRUE(Probe::sameHistory(inRuns, byFrame)) << "after frame " << done;
  }
  EXPECT_GT(subnormalWindows, 50);
}

}  // namespace
}  // namespace orvelle
