#include "dsp/lpc_analysis.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "dsp/lpc_tables.h"

namespace orvelle {
namespace {

using Window = std::array<double, kLpcWindowLength>;
using Lags = std::array<double, kAutocorrelationOrder + 1>;
using Filter = std::array<double, kLpcOrder + 1>;
using Coefficients = std::array<double, kLpcOrder>;

// A reproducible, speech-like window: a decaying resonance plus noise.
Window resonantWindow(std::uint32_t seed, double amplitude) {
  Window w{};
  double y1 = 0.0, y2 = 0.0;
  for (int n = 0; n < kLpcWindowLength; ++n) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = static_cast<double>(static_cast<std::int32_t>(seed >> 8) - (1 << 23)) / (1 << 23);
    const double y = noise + 1.6 * y1 - 0.8 * y2;
    y2 = y1;
    y1 = y;
    w[n] = amplitude * y;
  }
  return w;
}

Lags analyse(const Window& window) {
  Lags r{};
  autocorrelate(window.data(), kAutocorrelationOrder, r.data());
  applyLagWindow(kAutocorrelationOrder, r.data());
  return r;
}

// ---------------------------------------------------------------- tables

TEST(LpcTables, AnalysisWindowFollowsItsTwoFormulas) {
  for (int n = 0; n < 200; ++n) {
    EXPECT_NEAR(kLpcAnalysisWindow[n], 0.54 - 0.46 * std::cos(2.0 * M_PI * n / 399.0), 1e-15) << n;
  }
  for (int n = 200; n < 240; ++n) {
    EXPECT_NEAR(kLpcAnalysisWindow[n], std::cos(2.0 * M_PI * (n - 200) / 159.0), 1e-15) << n;
  }
  EXPECT_NEAR(kLpcAnalysisWindow[0], 0.08, 1e-12);
  EXPECT_EQ(kLpcAnalysisWindow[200], 1.0);
  EXPECT_NEAR(kLpcAnalysisWindow[239], 0.02963307, 1e-6);
}

TEST(LpcTables, SearchGridIsCosineToSevenDecimalsWithEndPointsShortOfOne) {
  EXPECT_EQ(kLspGrid[0], 0.9997559);
  EXPECT_EQ(kLspGrid[60], -0.9997559);
  for (int j = 1; j < 60; ++j) {
    EXPECT_NEAR(kLspGrid[j], std::cos(j * M_PI / 60.0), 0.5e-7 + 1e-12) << j;
    EXPECT_EQ(kLspGrid[j], std::round(kLspGrid[j] * 1e7) / 1e7) << j;
  }
  for (int j = 1; j <= 60; ++j) {
    EXPECT_LT(kLspGrid[j], kLspGrid[j - 1]) << j;
  }
}

TEST(LpcTables, LagWindowAndFallbackHoldTheirValues) {
  EXPECT_EQ(kLpcLagWindow.front(), 0.99879038);
  EXPECT_EQ(kLpcLagWindow[4], 0.9725262);
  EXPECT_EQ(kLpcLagWindow.back(), 0.85215437);
  for (int k = 1; k < kAutocorrelationOrder; ++k) {
    EXPECT_LT(kLpcLagWindow[k], kLpcLagWindow[k - 1]);
  }
  const std::array<double, 10> fallback = {0.9595, 0.8413, 0.6549, 0.4154, 0.1423,
                                           -0.1423, -0.4154, -0.6549, -0.8413, -0.9595};
  EXPECT_EQ(kLspFallback, fallback);
}

// ---------------------------------------------------------------- autocorrelation

TEST(Autocorrelate, EachLagIsTheAscendingSumOfWindowedProducts) {
  const Window window = resonantWindow(7u, 900.0);
  const Window copy = window;
  Lags r{};
  autocorrelate(window.data(), kAutocorrelationOrder, r.data());
  EXPECT_EQ(window, copy) << "the analysis buffer must not be changed";
  Window y{};
  for (int n = 0; n < kLpcWindowLength; ++n) {
    y[n] = window[n] * kLpcAnalysisWindow[n];
  }
  for (int k = 0; k <= kAutocorrelationOrder; ++k) {
    double sum = 0.0;
    for (int n = 0; n <= 239 - k; ++n) {
      sum += y[n] * y[n + k];
    }
    EXPECT_EQ(r[k], sum) << "lag " << k << " must be bit-identical to the plain ascending sum";
  }
}

TEST(Autocorrelate, ZeroWindowGivesUnitEnergyAndZeroLags) {
  const Window zeros{};
  const Lags r = analyse(zeros);
  EXPECT_EQ(r[0], 1.0);
  for (int k = 1; k <= kAutocorrelationOrder; ++k) {
    EXPECT_EQ(r[k], 0.0) << k;
  }
}

TEST(Autocorrelate, FloorRaisesOnlyTheEnergy) {
  Window tiny{};
  for (int n = 0; n < kLpcWindowLength; ++n) {
    tiny[n] = 0.01;
  }
  Lags r{};
  autocorrelate(tiny.data(), kAutocorrelationOrder, r.data());
  EXPECT_EQ(r[0], 1.0);
  EXPECT_GT(r[1], 0.0);
  EXPECT_LT(r[1], 1.0);
}

TEST(ApplyLagWindow, ScalesLagsOneToTwelveAndLeavesEnergy) {
  Lags r{};
  for (int k = 0; k <= kAutocorrelationOrder; ++k) {
    r[k] = 100.0 + k;
  }
  applyLagWindow(kAutocorrelationOrder, r.data());
  EXPECT_EQ(r[0], 100.0);
  for (int k = 1; k <= kAutocorrelationOrder; ++k) {
    EXPECT_EQ(r[k], (100.0 + k) * kLpcLagWindow[k - 1]) << k;
  }
  Lags untouched{};
  untouched.fill(3.0);
  applyLagWindow(0, untouched.data());
  for (double v : untouched) {
    EXPECT_EQ(v, 3.0);
  }
}

// ---------------------------------------------------------------- Levinson-Durbin

LpcState nonTrivialState() {
  LpcState state;
  Lags r = analyse(resonantWindow(3u, 500.0));
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_NE(state.lastStableLpc[1], 0.0);
  return state;
}

TEST(LevinsonDurbin, ZeroWindowCompletesWithTheTrivialFilterAndStoresIt) {
  LpcState state = nonTrivialState();
  Lags r = analyse(Window{});
  Filter A{};
  Coefficients rc{};
  rc.fill(9.0);
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  const Filter trivial = {1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(A, trivial);
  for (double c : rc) {
    EXPECT_EQ(c, 0.0);
  }
  EXPECT_EQ(state.lastStableLpc, trivial);
  EXPECT_EQ(state.lastStableRc[0], 0.0);
  EXPECT_EQ(state.lastStableRc[1], 0.0);
}

TEST(LevinsonDurbin, StableFilterSolvesTheNormalEquations) {
  LpcState state;
  Lags r = analyse(resonantWindow(11u, 2000.0));
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_EQ(A[0], 1.0);
  for (int i = 1; i <= kLpcOrder; ++i) {
    double residual = 0.0;
    for (int j = 0; j <= kLpcOrder; ++j) {
      residual += A[j] * r[std::abs(i - j)];
    }
    EXPECT_NEAR(residual / r[0], 0.0, 1e-9) << "equation " << i;
  }
  EXPECT_EQ(A[kLpcOrder], rc[kLpcOrder - 1]);
  for (double c : rc) {
    EXPECT_LT(std::fabs(c), 1.0);
  }
  EXPECT_EQ(state.lastStableLpc, A);
  EXPECT_EQ(state.lastStableRc[0], rc[0]);
  EXPECT_EQ(state.lastStableRc[1], rc[1]);
  // A strong low-pass resonance makes the first reflection coefficient
  // clearly negative.
  EXPECT_LT(rc[0], -0.5);
}

// Autocorrelation of x[n] = c x[n-2] + noise: r[2k] = c^k, odd lags 0. The
// second reflection coefficient is exactly -c and every later one exactly 0.
Lags secondOrderLags(double c) {
  Lags r{};
  r[0] = 1.0;
  for (int k = 2; k <= kAutocorrelationOrder; k += 2) {
    r[k] = r[k - 2] * c;
  }
  return r;
}

TEST(LevinsonDurbin, StabilityLimitItselfPassesAsStable) {
  LpcState state;
  Lags r = secondOrderLags(0.999451);
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_EQ(rc[1], -0.999451);
  EXPECT_EQ(A[2], -0.999451);
  EXPECT_EQ(state.lastStableRc[1], -0.999451) << "the recursion must have completed";
}

TEST(LevinsonDurbin, UnstableRecursionFallsBackToTheLastStableFilter) {
  LpcState state = nonTrivialState();
  const LpcState before = state;
  Lags r = secondOrderLags(std::nextafter(0.999451, 1.0));
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  for (int j = 0; j <= kLpcOrder; ++j) {
    EXPECT_EQ(A[j], before.lastStableLpc[j]) << j;
  }
  EXPECT_EQ(rc[0], before.lastStableRc[0]);
  EXPECT_EQ(rc[1], before.lastStableRc[1]);
  EXPECT_EQ(state.lastStableLpc, before.lastStableLpc);
  EXPECT_EQ(state.lastStableRc, before.lastStableRc);
}

TEST(LevinsonDurbin, UnstableFirstFrameFallsBackToTheTrivialFilter) {
  LpcState state;
  Lags r = secondOrderLags(-0.9999);
  Filter A{};
  A.fill(5.0);
  Coefficients rc{};
  rc.fill(5.0);
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_EQ(A, (Filter{1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rc[0], 0.0);
  EXPECT_EQ(rc[1], 0.0);
}

TEST(LevinsonDurbin, FirstReflectionCoefficientIsNeverRejected) {
  // Autocorrelation of a first-order process with pole 0.9999: the first
  // coefficient is almost -1, the others vanish, and the recursion completes.
  LpcState state;
  Lags r{};
  for (int k = 0; k <= kAutocorrelationOrder; ++k) {
    r[k] = std::pow(0.9999, k);
  }
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_NEAR(rc[0], -0.9999, 1e-12);
  EXPECT_LT(rc[0], -0.999451);
  EXPECT_NEAR(A[1], -0.9999, 1e-12);
  EXPECT_EQ(state.lastStableRc[0], rc[0]) << "the recursion must have completed";
}

TEST(LevinsonDurbin, FirstLagAboveEnergyIsClampedInTheCallersVectorAndFallsBack) {
  LpcState state = nonTrivialState();
  const LpcState before = state;
  Lags r{};
  r[0] = 4.0;
  r[1] = 5.0;
  r[2] = 1.0;
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_EQ(r[1], 4.0);
  // The clamped lag predicts perfectly (zero error); the next coefficient is
  // forced to 1.0, which the stability test rejects.
  for (int j = 0; j <= kLpcOrder; ++j) {
    EXPECT_EQ(A[j], before.lastStableLpc[j]) << j;
  }
  EXPECT_EQ(rc[1], before.lastStableRc[1]);
  EXPECT_EQ(state.lastStableLpc, before.lastStableLpc);
}

TEST(LevinsonDurbin, NonPositiveErrorIsFlooredAtOneThousandth) {
  // r[1] far below -r[0] (not an autocorrelation, but the recursion must
  // absorb it): the first-order error is -3, the second coefficient is 0, and
  // the third is -s/err with err floored to 0.001 instead of staying at -3.
  LpcState state;
  double r[4] = {1.0, -2.0, 4.0, -7.9995};
  double A[4] = {};
  double rc[3] = {};
  levinsonDurbin(3, r, A, rc, state);
  EXPECT_EQ(rc[0], 2.0);
  EXPECT_EQ(rc[1], 0.0);
  const double s = r[3] * 1.0 + r[2] * 2.0 + r[1] * 0.0;  // A = 1, 2, 0 entering the third order
  EXPECT_EQ(rc[2], -s / 0.001);
  EXPECT_NEAR(rc[2], -0.5, 1e-9);
}

// ---------------------------------------------------------------- line spectral pairs

TEST(ChebyshevEval, MatchesTheChebyshevSeriesItStandsFor) {
  // C(x) = T5(x) + f1 T4(x) + f2 T3(x) + f3 T2(x) + f4 T1(x) + f5 / 2.
  const double f[6] = {1.0, -0.7, 0.3, 0.25, -0.4, 0.9};
  for (double x = -1.0; x <= 1.0; x += 0.0625) {
    const double t[6] = {1.0, x, 2 * x * x - 1, 4 * x * x * x - 3 * x, 8 * std::pow(x, 4) - 8 * x * x + 1,
                         16 * std::pow(x, 5) - 20 * x * x * x + 5 * x};
    const double expected = t[5] + f[1] * t[4] + f[2] * t[3] + f[3] * t[2] + f[4] * t[1] + 0.5 * f[5];
    EXPECT_NEAR(chebyshevEval(x, f, 5), expected, 1e-12) << x;
  }
}

TEST(LpcToLsp, TrivialFilterGivesEvenlySpacedPairs) {
  const Filter trivial = {1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::array<double, 10> lsp{};
  lpcToLsp(trivial.data(), lsp.data(), kLspFallback.data());
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(lsp[i], std::cos((i + 1) * M_PI / 11.0), 2e-5) << i;
  }
}

TEST(LpcToLsp, PairsOfARealFilterAreDecreasingAlternatingRoots) {
  LpcState state;
  Lags r = analyse(resonantWindow(5u, 1000.0));
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  std::array<double, 10> sentinel{};
  sentinel.fill(7.0);
  std::array<double, 10> lsp{};
  lpcToLsp(A.data(), lsp.data(), sentinel.data());
  double f1[6] = {1.0};
  double f2[6] = {1.0};
  for (int i = 1; i <= 5; ++i) {
    f1[i] = A[i] + A[11 - i] - f1[i - 1];
    f2[i] = A[i] - A[11 - i] + f2[i - 1];
  }
  for (int i = 0; i < 10; ++i) {
    EXPECT_LT(lsp[i], 1.0) << i;
    EXPECT_GT(lsp[i], -1.0) << i;
    if (i > 0) {
      EXPECT_LT(lsp[i], lsp[i - 1]) << i;
    }
    const double* poly = (i % 2 == 0) ? f1 : f2;
    EXPECT_NEAR(chebyshevEval(lsp[i], poly, 5), 0.0, 1e-3) << i;
  }
}

TEST(LpcToLsp, FewerThanTenRootsGiveExactlyTheFallbackAndNeverThePreviousResult) {
  std::array<double, 10> lsp{};
  const Filter trivial = {1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  lpcToLsp(trivial.data(), lsp.data(), kLspFallback.data());
  ASSERT_NE(lsp, kLspFallback);

  // A stable filter whose resonance sits so close to 0 Hz that its lowest
  // pair lies above the first grid point, and a non-minimum-phase filter
  // whose roots leave the unit circle.
  const Filter nearDc = {1.0, -1.999, 0.9990005, 0, 0, 0, 0, 0, 0, 0, 0};
  const Filter nearNyquist = {1.0, 1.999, 0.9990005, 0, 0, 0, 0, 0, 0, 0, 0};
  const Filter nonMinimumPhase = {1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2.0};
  for (const Filter& A : {nearDc, nearNyquist, nonMinimumPhase}) {
    lsp.fill(123.0);
    lpcToLsp(A.data(), lsp.data(), kLspFallback.data());
    EXPECT_EQ(lsp, kLspFallback);
  }
}

// Multiplies poly (ascending powers of z^-1) by (1 + b z^-1 + c z^-2).
std::vector<double> timesQuadratic(const std::vector<double>& poly, double b, double c) {
  std::vector<double> out(poly.size() + 2, 0.0);
  for (std::size_t i = 0; i < poly.size(); ++i) {
    out[i] += poly[i];
    out[i + 1] += b * poly[i];
    out[i + 2] += c * poly[i];
  }
  return out;
}

TEST(LpcToLsp, ClosePairsInsideOneGridIntervalAreAllFound) {
  // A filter built from chosen line spectral pairs: one root of each
  // polynomial in the grid interval (0.9781, 0.9659) and one of each in the
  // next. Only a search that resumes inside the interval where it found a
  // root keeps the second polynomial's two roots apart.
  const double omega[10] = {std::acos(0.975), std::acos(0.970), std::acos(0.962), std::acos(0.955), 1.2, 1.6, 2.0,
                            2.4, 2.7, 2.9};
  std::vector<double> sum = {1.0, 1.0};         // (1 + z^-1) times the odd-numbered pairs
  std::vector<double> difference = {1.0, -1.0};  // (1 - z^-1) times the even-numbered pairs
  for (int i = 0; i < 10; ++i) {
    std::vector<double>& target = (i % 2 == 0) ? sum : difference;
    target = timesQuadratic(target, -2.0 * std::cos(omega[i]), 1.0);
  }
  Filter A{};
  for (int i = 0; i <= 10; ++i) {
    A[i] = 0.5 * (sum[i] + difference[i]);
  }
  std::array<double, 10> lsp{};
  lpcToLsp(A.data(), lsp.data(), kLspFallback.data());
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(lsp[i], std::cos(omega[i]), 1e-4) << i;
  }
}

TEST(LpcChain, ExactResultsOfAReferenceWindowArePinned) {
  // Computed once by this code and kept: the chain uses only +, -, * and /
  // from here on, so any reordering of its sums or change to its search
  // shows up in the last bits.
  const Lags expectedR = {0x1.8656ddb16734cp+27,  0x1.426c20502fe14p+27, 0x1.5faaac5b88befp+26,  0x1.a45f84f364fd6p+23,
                          -0x1.21529d6f05db4p+25, -0x1.8be062eba90bcp+25, -0x1.14aef22963424p+25, -0x1.4ef0b30774cdbp+22,
                          0x1.73a3538e3ab8cp+24,  0x1.3254cfd5004ecp+25,  0x1.28c210d3c10d8p+25,  0x1.7faf4399077eep+24,
                          0x1.3ddb2c829deebp+22};
  const Filter expectedA = {0x1p+0,
                            -0x1.8dbbe27338064p+0,
                            0x1.ee71ced37c94fp-1,
                            -0x1.984abf4953c2bp-3,
                            0x1.e7e6a349e0743p-4,
                            -0x1.b6445edd6461cp-3,
                            0x1.7654213eeebf2p-3,
                            -0x1.21cc3529c56b8p-4,
                            -0x1.552e0c7467522p-4,
                            0x1.5f13b027de1b4p-4,
                            -0x1.10efea37c527ep-5};
  const Coefficients expectedRc = {-0x1.a6ea2c73aabf2p-1, 0x1.75952b054824dp-1,  -0x1.6c548453d3e74p-3,
                                   -0x1.571a3a0dd65f6p-5, -0x1.55dd5c3fdc25cp-4, 0x1.9e542f1c86eb5p-6,
                                   -0x1.b9f9d48f56338p-4, 0x1.a05ed92e6873fp-10, 0x1.166a1fb65e6f5p-5,
                                   -0x1.10efea37c527ep-5};
  const std::array<double, 10> expectedLsp = {0x1.f2c603862cabcp-1,  0x1.c3c2780161f33p-1,  0x1.92f434fdb6821p-1,
                                              0x1.56bcb211bf3b9p-1,  0x1.c739b8e971f29p-2,  0x1.4ae82c2456f8fp-3,
                                              -0x1.4df715b358e76p-3, -0x1.0e157ce56095ep-1, -0x1.7f952a93f8e53p-1,
                                              -0x1.d9ef39715ed1dp-1};
  LpcState state;
  Lags r = analyse(resonantWindow(5u, 1000.0));
  EXPECT_EQ(r, expectedR);
  Filter A{};
  Coefficients rc{};
  levinsonDurbin(kLpcOrder, r.data(), A.data(), rc.data(), state);
  EXPECT_EQ(A, expectedA);
  EXPECT_EQ(rc, expectedRc);
  std::array<double, 10> lsp{};
  lpcToLsp(A.data(), lsp.data(), kLspFallback.data());
  EXPECT_EQ(lsp, expectedLsp);

  const Filter trivial = {1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::array<double, 10> expectedTrivial = {0x1.eb429db5c9ee7p-1,  0x1.aeb857fcb401ep-1,  0x1.4f49dd612546fp-1,
                                                  0x1.a96267b955f3dp-2,  0x1.23766a72057f4p-3,  -0x1.23766a72057f4p-3,
                                                  -0x1.a96267b955f3dp-2, -0x1.4f49dd612546fp-1, -0x1.aeb857fcb401ep-1,
                                                  -0x1.eb429db5c9ee7p-1};
  lpcToLsp(trivial.data(), lsp.data(), kLspFallback.data());
  EXPECT_EQ(lsp, expectedTrivial);
}

}  // namespace
}  // namespace orvelle
