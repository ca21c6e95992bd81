// The vector paths of the LPC chain against the one-at-a-time code, bit for
// bit: lag sums and Chebyshev evaluations on random inputs through every
// path, two windows and many filters at once against each alone, and
// detectors fed runs of frames against frame-by-frame ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
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
#include "tests/dsp/speech_activity_detector_probe.h"
#include "tests/support/kernel_paths.h"

namespace orvelle {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }


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
    for (KernelPath path : availableKernelPaths()) {
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
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
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
    for (KernelPath path : availableKernelPaths()) {
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
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
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
    const double expected = bisectAndInterpolate(KernelPath::reference, lanes, xlow, ylow, xhigh, yhigh);
    ASSERT_LE(expected, xhigh);
    ASSERT_GE(expected, xlow);
    for (KernelPath path : availableKernelPaths()) {
      ASSERT_TRUE(sameBits(bisectAndInterpolate(path, lanes, xlow, ylow, xhigh, yhigh), expected))
          << "path " << static_cast<int>(path) << " interval " << j;
    }
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

// A window that rings at a resonance whose sharpness and frequency vary with
// `trial`, driven by `drive`: its filters have close pairs and, at the
// sharpest, searches that fall back.
std::vector<double> resonantWindow(const std::vector<double>& drive, int trial) {
  std::vector<double> y(kLpcWindowLength);
  double y1 = 0.0, y2 = 0.0;
  for (int n = 0; n < kLpcWindowLength; ++n) {
    const double value = drive[n] * 0.01 + (1.0 + 0.004 * (trial % 200)) * y1 - 0.95 * y2;
    y2 = y1;
    y1 = value;
    y[n] = value;
  }
  return y;
}

// The cell [kLspGrid[c + 1], kLspGrid[c]] holding x.
int gridCell(double x) {
  int c = 0;
  while (c + 2 < kLspGridSize && x < kLspGrid[c + 1]) ++c;
  return c;
}

TEST(LpcLanes, WindowsSideBySideGiveEachItsOwnLags) {
  std::mt19937 random(17);
  for (int trial = 0; trial < 120; ++trial) {
    // Any count: groups of four, a pair, one left over; the lower orders as
    // well as the detector's.
    const int count = 1 + trial % 9;
    const int order = trial % 5 == 0 ? kLpcOrder : kAutocorrelationOrder;
    std::vector<std::vector<double>> windows;
    std::vector<const double*> pointers;
    for (int f = 0; f < count; ++f) {
      const std::vector<double> drive = randomWindow(random, 0);
      windows.push_back(f % 2 == 0 ? drive : resonantWindow(drive, trial + f));
    }
    for (const auto& window : windows) pointers.push_back(window.data());
    for (KernelPath path : availableKernelPaths()) {
      std::vector<double> r(static_cast<std::size_t>(count) * (order + 1));
      autocorrelateFrames(pointers.data(), count, order, r.data(), path);
      for (int f = 0; f < count; ++f) {
        double alone[kAutocorrelationOrder + 1];
        autocorrelate(pointers[static_cast<std::size_t>(f)], order, alone);
        for (int k = 0; k <= order; ++k) {
          ASSERT_TRUE(sameBits(r[static_cast<std::size_t>(f * (order + 1) + k)], alone[k]))
              << "path " << static_cast<int>(path) << " window " << f << " of " << count << " lag " << k;
        }
      }
    }
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

// The order-10 filter whose line spectral frequencies are `omega`
// (ascending, radians): the odd ones shape the sum polynomial, the even ones
// the difference polynomial.
void filterFromFrequencies(const double* omega, double* A) {
  double sum[kLpcOrder + 2] = {1.0, 1.0};
  double difference[kLpcOrder + 2] = {1.0, -1.0};
  int sumDegree = 1;
  int differenceDegree = 1;
  auto multiply = [](double* p, int& degree, double w) {
    const double c = -2.0 * std::cos(w);
    for (int i = degree + 2; i >= 0; --i) {
      p[i] = p[i] + (i >= 1 ? c * p[i - 1] : 0.0) + (i >= 2 ? p[i - 2] : 0.0);
    }
    degree += 2;
  };
  for (int i = 0; i < kLpcOrder; i += 2) multiply(sum, sumDegree, omega[i]);
  for (int i = 1; i < kLpcOrder; i += 2) multiply(difference, differenceDegree, omega[i]);
  for (int i = 0; i <= kLpcOrder; ++i) A[i] = 0.5 * (sum[i] + difference[i]);
}

// Filters of three kinds: from analysed windows, from line spectral
// frequencies with close pairs, and arbitrary coefficients (whose
// polynomials rarely have all their roots on the grid's span).
void someFilter(std::mt19937& random, int kind, double* A) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  if (kind == 0) {
    const std::vector<double> drive = randomWindow(random, 0);
    const std::vector<double> window = random() % 2 == 0 ? drive : resonantWindow(drive, static_cast<int>(random() % 200));
    double r[kAutocorrelationOrder + 1];
    autocorrelate(window.data(), kAutocorrelationOrder, r);
    applyLagWindow(kAutocorrelationOrder, r);
    double rc[kLpcOrder];
    LpcState state;
    levinsonDurbin(kLpcOrder, r, A, rc, state);
  } else if (kind == 1) {
    double omega[kLpcOrder];
    double w = 0.05 + 0.2 * unit(random);
    for (int i = 0; i < kLpcOrder; ++i) {
      omega[i] = w;
      // Every other gap is tiny: a formant's two frequencies close together.
      w += i % 2 == 0 ? 0.001 + 0.01 * unit(random) : 0.15 + 0.2 * unit(random);
    }
    filterFromFrequencies(omega, A);
  } else {
    A[0] = 1.0;
    for (int i = 1; i <= kLpcOrder; ++i) A[i] = 3.0 * unit(random) - 1.5;
  }
}

TEST(LpcLanes, FiltersSearchedInLanesGetTheLineSpectralPairsOfEachAlone) {
  std::mt19937 random(29);
  int withFallback = 0;
  int withSharedCell = 0;
  int filters = 0;
  for (int trial = 0; trial < 60; ++trial) {
    // Any count: whole lane groups, a part group, a single filter.
    const int count = 1 + static_cast<int>(random() % 40);
    std::vector<double> A(static_cast<std::size_t>(count) * (kLpcOrder + 1));
    for (int f = 0; f < count; ++f) {
      double* filter = A.data() + f * (kLpcOrder + 1);
      // Runs of one filter, as silence gives them, now and then.
      if (f > 0 && random() % 3 == 0) {
        std::copy(filter - (kLpcOrder + 1), filter, filter);
      } else {
        someFilter(random, static_cast<int>(random() % 3), filter);
      }
    }
    for (KernelPath path : availableKernelPaths()) {
      std::vector<double> lsp(static_cast<std::size_t>(count) * kLpcOrder);
      lpcToLspFrames(A.data(), count, lsp.data(), kLspFallback.data(), path);
      for (int f = 0; f < count; ++f) {
        double alone[kLpcOrder];
        lpcToLsp(A.data() + f * (kLpcOrder + 1), alone, kLspFallback.data());
        for (int i = 0; i < kLpcOrder; ++i) {
          ASSERT_TRUE(sameBits(lsp[f * kLpcOrder + i], alone[i]))
              << "path " << static_cast<int>(path) << " filter " << f << " of " << count << " pair " << i;
        }
        if (path != KernelPath::reference) continue;
        ++filters;
        if (std::equal(alone, alone + kLpcOrder, kLspFallback.begin())) {
          ++withFallback;
          continue;
        }
        for (int i = 1; i < kLpcOrder; ++i) {
          if (gridCell(alone[i]) == gridCell(alone[i - 1])) {
            ++withSharedCell;
            break;
          }
        }
      }
    }
  }
  // The trials reached the searches' rarer turns: a root found between the
  // previous root and the grid, and a search that found too few roots.
  EXPECT_GT(withSharedCell, 5);
  EXPECT_GT(withFallback, 5);
  EXPECT_GT(filters - withFallback, filters / 3);
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

TEST(LpcLanes, RecursionsInLanesKeepEachFramesFilterAndTheFallbackOrder) {
  constexpr int kLags = kAutocorrelationOrder + 1;
  std::mt19937 random(37);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  int unstable = 0;
  int frames = 0;
  for (int trial = 0; trial < 80; ++trial) {
    const int count = 1 + static_cast<int>(random() % 13);
    std::vector<double> r(static_cast<std::size_t>(count) * kLags);
    for (int f = 0; f < count; ++f) {
      double* lags = r.data() + f * kLags;
      if (random() % 3 == 0) {
        // Arbitrary lags: no true autocorrelation, often unstable, and
        // sometimes a first lag above the energy.
        lags[0] = 1.0 + 100.0 * std::fabs(unit(random));
        for (int k = 1; k < kLags; ++k) lags[k] = lags[0] * 1.2 * unit(random);
      } else {
        const std::vector<double> window = randomWindow(random, 0);
        autocorrelate(window.data(), kAutocorrelationOrder, lags);
        applyLagWindow(kAutocorrelationOrder, lags);
      }
    }
    LpcState start;
    for (int j = 1; j <= kLpcOrder; ++j) start.lastStableLpc[j] = 0.01 * j;
    start.lastStableRc = {0.25, -0.5};
    std::vector<double> expectedR = r;
    std::vector<double> expectedA(static_cast<std::size_t>(count) * (kLpcOrder + 1));
    std::vector<double> expectedRc(static_cast<std::size_t>(count) * kLpcOrder);
    LpcState expectedState = start;
    for (int f = 0; f < count; ++f) {
      levinsonDurbin(kLpcOrder, expectedR.data() + f * kLags, expectedA.data() + f * (kLpcOrder + 1),
                     expectedRc.data() + f * kLpcOrder, expectedState);
      double lags[kLags];
      double A[kLpcOrder + 1];
      double rc[kLpcOrder];
      std::copy(r.begin() + f * kLags, r.begin() + (f + 1) * kLags, lags);
      ++frames;
      if (!levinsonRecursion(kLpcOrder, lags, A, rc)) ++unstable;
    }
    for (KernelPath path : availableKernelPaths()) {
      std::vector<double> lanesR = r;
      std::vector<double> A(expectedA.size());
      std::vector<double> rc(expectedRc.size());
      LpcState state = start;
      levinsonDurbinFrames(count, lanesR.data(), A.data(), rc.data(), state, path);
      for (int f = 0; f < count; ++f) {
        const auto at = [f](int i, int stride) { return static_cast<std::size_t>(f * stride + i); };
        ASSERT_TRUE(sameBits(lanesR[at(1, kLags)], expectedR[at(1, kLags)])) << "clamp, frame " << f;
        for (int j = 0; j <= kLpcOrder; ++j) {
          ASSERT_TRUE(sameBits(A[at(j, kLpcOrder + 1)], expectedA[at(j, kLpcOrder + 1)]))
              << "path " << static_cast<int>(path) << " frame " << f << " A" << j;
        }
        // The decision reads the first two coefficients only, which a
        // fallback restores; beyond them an unstable frame's are undefined.
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(sameBits(rc[at(i, kLpcOrder)], expectedRc[at(i, kLpcOrder)]));
      }
      ASSERT_EQ(0, std::memcmp(&state, &expectedState, sizeof state)) << "path " << static_cast<int>(path);
    }
  }
  EXPECT_GT(unstable, frames / 10);
  EXPECT_LT(unstable, frames / 2);
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
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

// The decisions and the state after every call, whichever way the frames
// are handed over: frame by frame, in runs of any length, or two signals
// side by side. From a fresh detector, and from one about to wrap its frame
// number inside a run.
TEST(LpcLanes, DetectorsFedInRunsDecideAsFrameByFrame) {
  using Probe = SpeechActivityDetectorProbe;
  constexpr int kFrame = SpeechActivityDetector::kFrameLength;
  const std::vector<std::int16_t> signal = storedSignal();
  ASSERT_GT(signal.size(), 1000u * kFrame);
  // The second signal is the first at a third of its level and 37 frames
  // later, so the two detectors disagree often.
  std::vector<std::int16_t> other(signal.size());
  for (std::size_t i = 0; i < signal.size(); ++i) other[i] = static_cast<std::int16_t>(signal[(i + 37 * 80) % signal.size()] / 3);
  const int frames = static_cast<int>(signal.size() / kFrame);
  std::mt19937 random(31);
  for (std::int32_t firstNumber : {0, 32767 - 700}) {
    SpeechActivityDetector first, second, firstAlone, secondAlone;
    for (SpeechActivityDetector* d : {&first, &second, &firstAlone, &secondAlone}) Probe::frameCount(*d) = firstNumber;
    int disagreements = 0;
    int done = 0;
    while (done < frames) {
      const int run = std::min(frames - done, 1 + static_cast<int>(random() % 50));
      const std::int16_t* a = signal.data() + static_cast<std::ptrdiff_t>(done) * kFrame;
      const std::int16_t* b = other.data() + static_cast<std::ptrdiff_t>(done) * kFrame;
      std::vector<std::int32_t> decisions[2];
      decisions[0].resize(static_cast<std::size_t>(run));
      decisions[1].resize(static_cast<std::size_t>(run));
      switch (random() % 3) {
        case 0:
          SpeechActivityDetector::processFramesPair(first, a, second, b, run, decisions[0].data(), decisions[1].data());
          break;
        case 1:
          first.processFrames(a, run, decisions[0].data());
          second.processFrames(b, run, decisions[1].data());
          break;
        default:
          for (int f = 0; f < run; ++f) {
            decisions[0][static_cast<std::size_t>(f)] = first.processFrame(a + f * kFrame);
            decisions[1][static_cast<std::size_t>(f)] = second.processFrame(b + f * kFrame);
          }
      }
      for (int f = 0; f < run; ++f) {
        ASSERT_EQ(decisions[0][static_cast<std::size_t>(f)], firstAlone.processFrame(a + f * kFrame)) << done + f;
        ASSERT_EQ(decisions[1][static_cast<std::size_t>(f)], secondAlone.processFrame(b + f * kFrame)) << done + f;
        if (decisions[0][static_cast<std::size_t>(f)] != decisions[1][static_cast<std::size_t>(f)]) ++disagreements;
      }
      done += run;
      ASSERT_TRUE(Probe::sameHistory(first, firstAlone)) << "after frame " << done;
      ASSERT_TRUE(Probe::sameHistory(second, secondAlone)) << "after frame " << done;
      ASSERT_EQ(Probe::frameCount(first), Probe::frameCount(firstAlone));
    }
    EXPECT_GT(disagreements, 20);
  }
}

}  // namespace
}  // namespace orvelle
