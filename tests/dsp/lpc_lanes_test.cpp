// The vector paths of the LPC chain against the one-at-a-time code, bit for
// bit: lag sums and Chebyshev evaluations on random inputs through every
// path, the two-window and two-filter steps against the one-window ones, and
// two detectors advancing side by side against each alone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dsp/lpc_analysis.h"
#include "dsp/lpc_lanes.h"
#include "dsp/lpc_tables.h"
#include "dsp/speech_activity_detector.h"

namespace orvelle {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

constexpr LpcPath kVectorPaths[] = {LpcPath::baseline, LpcPath::avx2};

// Random windows of very different scales: loud, faint, and mixed signs
// near cancellation.
std::vector<double> randomWindow(std::mt19937& random, int padding) {
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  const double scale = std::array<double, 4>{32767.0, 3e-3, 1.0, 1e6}[random() % 4];
  std::vector<double> y(kLpcWindowLength + padding, 0.0);
  for (int n = 0; n < kLpcWindowLength; ++n) y[n] = scale * value(random);
  return y;
}

TEST(LpcLanes, LagSumsOfEveryPathHaveTheBitsOfThePlainSums) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 50; ++trial) {
    const std::vector<double> first = randomWindow(random, kLaneLags);
    const std::vector<double> second = randomWindow(random, kLaneLags);
    const double* windows[2] = {first.data(), second.data()};
    double expected[2][kLaneLags];
    for (int w = 0; w < 2; ++w) {
      for (int k = 0; k < kLaneLags; ++k) {
        double sum = 0.0;
        for (int n = 0; n < kLpcWindowLength - k; ++n) sum += windows[w][n] * windows[w][n + k];
        expected[w][k] = sum;
      }
    }
    for (LpcPath path : kVectorPaths) {
      for (int count : {1, 2}) {
        double sums[2][kLaneLags] = {};
        double* out[2] = {sums[0], sums[1]};
        lagSums(path, count, windows, out);
        for (int w = 0; w < count; ++w) {
          for (int k = 0; k < kLaneLags; ++k) {
            ASSERT_TRUE(sameBits(sums[w][k], expected[w][k]))
                << "path " << static_cast<int>(path) << " windows " << count << " lag " << k;
          }
        }
      }
    }
  }
}

TEST(LpcLanes, ChebyshevLanesOfEveryPathHaveTheBitsOfChebyshevEval) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> coefficient(-3.0, 3.0);
  std::uniform_real_distribution<double> point(-1.0, 1.0);
  constexpr int kQuads = 40;
  for (int trial = 0; trial < 20; ++trial) {
    double coefficients[4 * 6];
    for (double& c : coefficients) c = coefficient(random);
    for (int l = 0; l < 4; ++l) coefficients[l] = 1.0;
    double x[4 * kQuads];
    for (double& v : x) v = point(random);
    for (LpcPath path : kVectorPaths) {
      double out[4 * kQuads];
      chebyshevLanes(path, x, kQuads, coefficients, out);
      for (int q = 0; q < kQuads; ++q) {
        for (int l = 0; l < 4; ++l) {
          double f[6];
          for (int i = 0; i < 6; ++i) f[i] = coefficients[4 * i + l];
          ASSERT_TRUE(sameBits(out[4 * q + l], chebyshevEval(x[4 * q + l], f, 5)))
              << "path " << static_cast<int>(path) << " quad " << q << " lane " << l;
        }
      }
    }
  }
}

TEST(LpcLanes, BisectionOfEveryPathHasTheBitsOfTheStepByStepBisection) {
  std::mt19937 random(23);
  std::uniform_real_distribution<double> coefficient(-2.0, 2.0);
  std::uniform_int_distribution<int> gridStep(1, kLspGridSize - 1);
  int trials = 0;
  while (trials < 300) {
    double f[6] = {1.0};
    for (int i = 1; i < 6; ++i) f[i] = coefficient(random);
    const int j = gridStep(random);
    const double xlow = kLspGrid[j];
    const double xhigh = kLspGrid[j - 1];
    const double ylow = chebyshevEval(xlow, f, 5);
    const double yhigh = chebyshevEval(xhigh, f, 5);
    if (ylow * yhigh > 0.0) continue;  // the search only bisects a sign change
    ++trials;
    double lanes[4 * 6];
    for (int i = 0; i < 6; ++i) {
      for (int l = 0; l < 4; ++l) lanes[4 * i + l] = f[i];
    }
    const double expected = bisectAndInterpolate(LpcPath::oneByOne, lanes, xlow, ylow, xhigh, yhigh);
    ASSERT_LE(expected, xhigh);
    ASSERT_GE(expected, xlow);
    for (LpcPath path : kVectorPaths) {
      ASSERT_TRUE(sameBits(bisectAndInterpolate(path, lanes, xlow, ylow, xhigh, yhigh), expected))
          << "path " << static_cast<int>(path) << " interval " << j;
    }
  }
}

TEST(LpcLanes, PairStepsGiveEachWindowAndFilterItsOwnResult) {
  std::mt19937 random(17);
  int withFallback = 0;
  for (int trial = 0; trial < 200; ++trial) {
    const std::vector<double> first = randomWindow(random, 0);
    // A resonant second window, so that both full searches and fallbacks
    // turn up among the trials.
    std::vector<double> second(kLpcWindowLength);
    double y1 = 0.0, y2 = 0.0;
    for (int n = 0; n < kLpcWindowLength; ++n) {
      const double y = first[n] * 0.01 + (1.0 + 0.004 * trial) * y1 - 0.95 * y2;
      y2 = y1;
      y1 = y;
      second[n] = y;
    }
    double r[2][kAutocorrelationOrder + 1];
    double rAlone[2][kAutocorrelationOrder + 1];
    autocorrelatePair(first.data(), second.data(), kAutocorrelationOrder, r[0], r[1]);
    autocorrelate(first.data(), kAutocorrelationOrder, rAlone[0]);
    autocorrelate(second.data(), kAutocorrelationOrder, rAlone[1]);
    for (int w = 0; w < 2; ++w) {
      for (int k = 0; k <= kAutocorrelationOrder; ++k) ASSERT_TRUE(sameBits(r[w][k], rAlone[w][k])) << w << " " << k;
    }

    double A[2][kLpcOrder + 1];
    double rc[2][kLpcOrder];
    for (int w = 0; w < 2; ++w) {
      LpcState state;
      applyLagWindow(kAutocorrelationOrder, r[w]);
      levinsonDurbin(kLpcOrder, r[w], A[w], rc[w], state);
    }
    double lsp[2][kLpcOrder];
    double lspAlone[2][kLpcOrder];
    lpcToLspPair(A[0], lsp[0], A[1], lsp[1], kLspFallback.data());
    lpcToLsp(A[0], lspAlone[0], kLspFallback.data());
    lpcToLsp(A[1], lspAlone[1], kLspFallback.data());
    for (int w = 0; w < 2; ++w) {
      for (int i = 0; i < kLpcOrder; ++i) ASSERT_TRUE(sameBits(lsp[w][i], lspAlone[w][i])) << w << " " << i;
      if (sameBits(lsp[w][0], kLspFallback[0]) && sameBits(lsp[w][9], kLspFallback[9])) ++withFallback;
    }
  }
  EXPECT_LT(withFallback, 400);  // the searches did find roots
}

std::vector<std::int16_t> storedSignal() {
  std::ifstream in(std::string(ORVELLE_SOURCE_DIR) + "/tests/data/speech_activity_signal.pcm", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                                     (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8)));
  }
  return samples;
}

TEST(LpcLanes, DetectorsSideBySideDecideAsEachAlone) {
  const std::vector<std::int16_t> signal = storedSignal();
  ASSERT_GT(signal.size(), 1000u * SpeechActivityDetector::kFrameLength);
  // The second signal is the first at a third of its level and 37 frames
  // later, so the two detectors disagree often.
  std::vector<std::int16_t> other(signal.size());
  for (std::size_t i = 0; i < signal.size(); ++i) {
    other[i] = static_cast<std::int16_t>(signal[(i + 37 * 80) % signal.size()] / 3);
  }
  const std::size_t frames = signal.size() / SpeechActivityDetector::kFrameLength;
  SpeechActivityDetector first, second, firstAlone, secondAlone;
  int disagreements = 0;
  for (std::size_t f = 0; f < frames; ++f) {
    const std::int16_t* a = signal.data() + f * SpeechActivityDetector::kFrameLength;
    const std::int16_t* b = other.data() + f * SpeechActivityDetector::kFrameLength;
    std::int32_t decisions[2];
    SpeechActivityDetector::processFramePair(first, a, second, b, decisions);
    ASSERT_EQ(decisions[0], firstAlone.processFrame(a)) << "frame " << f;
    ASSERT_EQ(decisions[1], secondAlone.processFrame(b)) << "frame " << f;
    if (decisions[0] != decisions[1]) ++disagreements;
  }
  EXPECT_GT(disagreements, 20);
}

}  // namespace
}  // namespace orvelle
