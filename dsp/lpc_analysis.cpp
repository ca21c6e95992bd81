#include "dsp/lpc_analysis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dsp/lpc_lanes.h"
#include "dsp/lpc_tables.h"
#include "dsp/underflow.h"

namespace orvelle {

namespace {

constexpr double kMinimumEnergy = 1.0;              // floor of r[0]
constexpr int kSearchOrder = 5;                     // degree of the sum and difference polynomials

// Grid quads for one filter: points j and j + 1 twice each, {g0, g0, g1,
// g1}, {g2, g2, g3, g3}, ..., the last point repeated to fill the last quad;
// the lanes alternate between the two polynomials.
constexpr int kOneFilterQuads = (kLspGridSize + 1) / 2;
// Grid quads for two filters: every point four times, the lanes f1 and f2
// of the first filter, then of the second.
constexpr int kTwoFilterQuads = kLspGridSize;

struct GridQuads {
  double oneFilter[4 * kOneFilterQuads];
  double twoFilters[4 * kTwoFilterQuads];
};

const GridQuads& gridQuads() {
  static const GridQuads quads = [] {
    GridQuads q{};
    for (int i = 0; i < 2 * kOneFilterQuads; ++i) {
      const double point = kLspGrid[i < kLspGridSize ? i : kLspGridSize - 1];
      q.oneFilter[2 * i] = point;
      q.oneFilter[2 * i + 1] = point;
    }
    for (int j = 0; j < kTwoFilterQuads; ++j) {
      for (int l = 0; l < 4; ++l) q.twoFilters[4 * j + l] = kLspGrid[j];
    }
    return q;
  }();
  return quads;
}

// Sum and difference polynomials of the order-10 filter A.
void splitPolynomials(const double* A, double* f1, double* f2) {
  f1[0] = 1.0;
  f2[0] = 1.0;
  for (int i = 1; i <= kSearchOrder; ++i) {
    f1[i] = A[i] + A[11 - i] - f1[i - 1];
    f2[i] = A[i] - A[11 - i] + f2[i - 1];
  }
}

// The grid search for the ten roots, alternating between f1 and f2, with
// gridValues[stride * j + p] the value of polynomial p (0: f1, 1: f2) at
// grid point j. When fewer than ten roots are found, lsp = fallback.
void searchRoots(const double* f1, const double* f2, const double* gridValues, int stride, double* lsp,
                 const double* fallback) {
  const double* polys[2] = {f1, f2};
  const KernelPath path = activeKernelPath();
  double lanes[2][4 * (kSearchOrder + 1)];
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i <= kSearchOrder; ++i) {
      for (int l = 0; l < 4; ++l) lanes[p][4 * i + l] = polys[p][i];
    }
  }
  // The roots of the two polynomials interlace, so the search alternates
  // between them, resuming inside the interval where the last root was found.
  int current = 0;
  int nf = 0;
  int j = 0;
  double xlow = kLspGrid[0];
  double ylow = gridValues[current];
  while (nf < kLpcOrder && j < kLspGridSize - 1) {
    ++j;
    const double xhigh = xlow;
    const double yhigh = ylow;
    xlow = kLspGrid[j];
    ylow = gridValues[stride * j + current];
    if (ylow * yhigh <= 0.0) {
      --j;
      const double xint = bisectAndInterpolate(path, lanes[current], xlow, ylow, xhigh, yhigh);
      lsp[nf] = xint;
      ++nf;
      current = 1 - current;
      xlow = xint;
      ylow = chebyshevEval(xlow, polys[current], kSearchOrder);
    }
  }
  if (nf < kLpcOrder) {
    for (int i = 0; i < kLpcOrder; ++i) {
      lsp[i] = fallback[i];
    }
  }
}

// The window times the analysis window, followed by zeros: the lag sums
// then all run over the same n range, the extra terms adding exact zeros
// after the real ones, so each r[k] is still the ascending-n sum over
// n = 0 .. 239 - k.
constexpr int kPaddedWindowLength = kLpcWindowLength + kLaneLags;

void weightWindow(const double* window, double* y) {
  for (int n = 0; n < kLpcWindowLength; ++n) y[n] = window[n] * kLpcAnalysisWindow[n];
  for (int n = kLpcWindowLength; n < kPaddedWindowLength; ++n) y[n] = 0.0;
}

// r[0..order] = sums[0..order], the energy floored (order below the sums' count).
void takeLags(const double* sums, int order, double* r) {
  for (int k = 0; k <= order; ++k) r[k] = sums[k];
  if (r[0] < kMinimumEnergy) r[0] = kMinimumEnergy;
}

// r[0..order] from the lanes' sums; lags beyond them the plain way.
void lagsFromSums(const double* sums, const double* y, int order, double* r) {
  for (int k = 0; k <= order && k < kLaneLags; ++k) r[k] = sums[k];
  for (int k = kLaneLags; k <= order; ++k) {
    double sum = 0.0;
    for (int n = 0; n < kLpcWindowLength - k; ++n) sum += y[n] * y[n + k];
    r[k] = sum;
  }
  if (r[0] < kMinimumEnergy) r[0] = kMinimumEnergy;
}

// What the root searches of two filters start from: their polynomials,
// lane l = 2 f + p holding polynomial p of filter f; the values at every
// grid point, values[4 j + l]; and for each lane the grid cells
// [grid[c + 1], grid[c]] over which its value changes sign (bit c), by the
// test the search itself applies.
struct GridPair {
  double polynomials[4][kSearchOrder + 1];
  double values[4 * kLspGridSize];
  std::uint64_t signChanges[4];
};
static_assert(kLspGridSize - 1 <= 64, "a cell per bit");

void fillGrids(const double* firstA, const double* secondA, GridPair& grid, KernelPath path) {
  splitPolynomials(firstA, grid.polynomials[0], grid.polynomials[1]);
  splitPolynomials(secondA, grid.polynomials[2], grid.polynomials[3]);
  double coefficients[4 * (kSearchOrder + 1)];
  for (int i = 0; i <= kSearchOrder; ++i) {
    for (int l = 0; l < 4; ++l) coefficients[4 * i + l] = grid.polynomials[l][i];
  }
  chebyshevLanes(path, gridQuads().twoFilters, kTwoFilterQuads, coefficients, grid.values);
  gridSignChanges(path, grid.values, kLspGridSize, grid.signChanges);
}

// Where one filter's search stands between roots.
struct LaneSearch {
  int polynomial = 0;  // of the last root found
  int cell = 0;        // of the last root found
  bool failed = false;
};

// searchRoots of up to kRootLanes filters at once, one per lane: every lane
// finds its k-th root in round k, by the same intervals and the same
// bisection steps as the filter alone, so each root has the same bits.
void searchRootsInLanes(const double* A, int lanes, double* lsp, const double* fallback, KernelPath path) {
  GridPair grids[kRootLanes / 2];
  for (int l = 0; l < kRootLanes; l += 2) {
    // Spare lanes copy the first filter; their results are never read.
    const double* first = A + (l < lanes ? l : 0) * (kLpcOrder + 1);
    const double* second = A + (l + 1 < lanes ? l + 1 : 0) * (kLpcOrder + 1);
    fillGrids(first, second, grids[l / 2], path);
  }
  RootLanes io{};
  for (int l = 0; l < kRootLanes; ++l) {
    for (int p = 0; p < 2; ++p) {
      const double* polynomial = grids[l / 2].polynomials[2 * (l % 2) + p];
      for (int i = 0; i <= kSearchOrder; ++i) io.polynomials[p][i * kRootLanes + l] = polynomial[i];
    }
  }
  LaneSearch searches[kRootLanes];
  for (int k = 0; k < kLpcOrder; ++k) {
    for (int l = 0; l < kRootLanes; ++l) {
      LaneSearch& search = searches[l];
      if (search.failed) continue;
      const GridPair& grid = grids[l / 2];
      // value(p, j): polynomial p of this lane's filter at grid point j.
      const int own = 2 * (l % 2);
      auto value = [&grid, own](int p, int j) { return grid.values[4 * j + own + p]; };
      int polynomial = 0;
      int from = 0;
      if (k > 0) {
        // The other polynomial, first inside the last root's own cell,
        // between the cell's lower grid point and that root.
        polynomial = 1 - search.polynomial;
        const int c = search.cell;
        const double ylow = value(polynomial, c + 1);
        const double yhigh = io.otherValue[l];
        search.polynomial = polynomial;
        if (ylow * yhigh <= 0.0) {
          io.useSecond[l] = polynomial == 1 ? -1 : 0;
          io.xlow[l] = kLspGrid[c + 1];
          io.ylow[l] = ylow;
          io.xhigh[l] = io.root[l];
          io.yhigh[l] = yhigh;
          continue;
        }
        from = c + 1;
      }
      const std::uint64_t later = grid.signChanges[own + polynomial] >> from;
      if (later == 0) {
        search.failed = true;
        continue;
      }
      const int c = from + std::countr_zero(later);
      search.polynomial = polynomial;
      search.cell = c;
      io.useSecond[l] = polynomial == 1 ? -1 : 0;
      io.xlow[l] = kLspGrid[c + 1];
      io.ylow[l] = value(polynomial, c + 1);
      io.xhigh[l] = kLspGrid[c];
      io.yhigh[l] = value(polynomial, c);
    }
    bisectLanes(path, io);
    for (int l = 0; l < lanes; ++l) lsp[l * kLpcOrder + k] = io.root[l];
  }
  for (int l = 0; l < lanes; ++l) {
    if (!searches[l].failed) continue;
    for (int i = 0; i < kLpcOrder; ++i) lsp[l * kLpcOrder + i] = fallback[i];
  }
}

}  // namespace

void autocorrelate(const double* window, int order, double* r) {
  double y[kPaddedWindowLength];
  double sums[kLaneLags];
  weightWindow(window, y);
  const double* windows[1] = {y};
  double* results[1] = {sums};
  lagSums(activeKernelPath(), 1, windows, results);
  lagsFromSums(sums, y, order, r);
}

void autocorrelatePair(const double* first, const double* second, int order, double* rFirst, double* rSecond) {
  double y[2][kPaddedWindowLength];
  double sums[2][kLaneLags];
  weightWindow(first, y[0]);
  weightWindow(second, y[1]);
  const double* windows[2] = {y[0], y[1]};
  double* results[2] = {sums[0], sums[1]};
  lagSums(activeKernelPath(), 2, windows, results);
  lagsFromSums(sums[0], y[0], order, rFirst);
  lagsFromSums(sums[1], y[1], order, rSecond);
}

void autocorrelateFrames(const double* const* windows, int count, int order, double* r, KernelPath path) {
  // After long digital silence the pre-processed samples are tiny, and
  // plain lag sums would be slow on many processors (see quietLagSums).
  // Windows in which every product underflows have no lags but the floored
  // energy; windows below kQuietWindowBound are summed clear of the
  // subnormal numbers. Both give the plain sums' bits.
  auto quietGroup = [&](int first, int windowCount) {
    constexpr std::uint64_t kQuietBits = std::bit_cast<std::uint64_t>(kQuietWindowBound);
    std::uint64_t largest = 0;
    for (int f = first; f < first + windowCount && largest < kQuietBits; ++f) {
      largest = std::max(largest, largestMagnitudeBits(windows[f], kLpcWindowLength, kQuietBits));
    }
    if (largest >= kQuietBits) return false;
    double sums[4][kFrameLaneLags] = {};
    if (largest >= kSquareUnderflowBits) {
      double y[4][kPaddedWindowLength];
      const double* weighted[4];
      double* results[4];
      for (int l = 0; l < 4; ++l) {
        // Lanes past the group's windows repeat its first; their sums are dropped.
        weightWindow(windows[first + (l < windowCount ? l : 0)], y[l]);
        weighted[l] = y[l];
        results[l] = sums[l];
      }
      quietLagSums(path, weighted, results);
    }
    for (int l = 0; l < windowCount; ++l) takeLags(sums[l], order, r + (first + l) * (order + 1));
    return true;
  };
  // The lanes carry the detector's lags, up to kFrameLaneLags - 1.
  const bool inLanes = order < kFrameLaneLags;
  int first = 0;
  for (; inLanes && first + 4 <= count; first += 4) {
    if (quietGroup(first, 4)) continue;
    double sums[4][kFrameLaneLags];
    double* results[4] = {sums[0], sums[1], sums[2], sums[3]};
    frameLagSums(path, windows + first, results);
    for (int l = 0; l < 4; ++l) takeLags(sums[l], order, r + (first + l) * (order + 1));
  }
  for (; first + 1 < count; first += 2) {
    if (inLanes && quietGroup(first, 2)) continue;
    autocorrelatePair(windows[first], windows[first + 1], order, r + first * (order + 1), r + (first + 1) * (order + 1));
  }
  if (first < count && !(inLanes && quietGroup(first, 1))) autocorrelate(windows[first], order, r + first * (order + 1));
}

void applyLagWindow(int order, double* r) {
  for (int k = 1; k <= order && k <= kAutocorrelationOrder; ++k) {
    r[k] = r[k] * kLpcLagWindow[k - 1];
  }
}

bool levinsonRecursion(int order, double* r, double* A, double* rc) {
  // A first lag above the energy would make the first-order error negative.
  if (r[1] > r[0]) {
    r[1] = r[0];
  }
  rc[0] = -r[1] / r[0];
  A[0] = 1.0;
  A[1] = rc[0];
  double err = r[0] + r[1] * rc[0];
  for (int i = 2; i <= order; ++i) {
    double s = 0.0;
    for (int j = 0; j < i; ++j) {
      s += r[i - j] * A[j];
    }
    // A zero error means the previous order predicted perfectly; 1.0 marks
    // the next coefficient as unstable so that the frame falls back.
    rc[i - 1] = (err == 0.0) ? 1.0 : -s / err;
    if (std::fabs(rc[i - 1]) > kStabilityLimit) return false;
    for (int j = 1; j <= i / 2; ++j) {
      const int l = i - j;
      const double t = A[j] + rc[i - 1] * A[l];
      A[l] = A[l] + rc[i - 1] * A[j];
      A[j] = t;
    }
    A[i] = rc[i - 1];
    err = err + rc[i - 1] * s;
    if (err <= 0.0) {
      err = kMinimumPredictionError;
    }
  }
  return true;
}

namespace {

// What the frame keeps of the recursion's outcome: on instability the last
// stable filter, else its own, which becomes the last stable one.
void settleFilter(bool stable, int order, double* A, double* rc, LpcState& state) {
  if (!stable) {
    for (int j = 0; j <= order; ++j) {
      A[j] = state.lastStableLpc[j];
    }
    rc[0] = state.lastStableRc[0];
    rc[1] = state.lastStableRc[1];
    return;
  }
  for (int j = 0; j <= order; ++j) {
    state.lastStableLpc[j] = A[j];
  }
  state.lastStableRc[0] = rc[0];
  state.lastStableRc[1] = rc[1];
}

}  // namespace

void levinsonDurbin(int order, double* r, double* A, double* rc, LpcState& state) {
  settleFilter(levinsonRecursion(order, r, A, rc), order, A, rc, state);
}

void levinsonDurbinFrames(int count, double* r, double* A, double* rc, LpcState& state, KernelPath path) {
  constexpr int kLags = kAutocorrelationOrder + 1;
  for (int first = 0; first < count; first += 4) {
    const int lanes = count - first < 4 ? count - first : 4;
    double* frameR = r + first * kLags;
    double* frameA = A + first * (kLpcOrder + 1);
    double* frameRc = rc + first * kLpcOrder;
    // Spare lanes repeat the group's first frame; their results are dropped.
    double laneR[4 * kLags];
    for (int k = 0; k < kLags; ++k) {
      for (int l = 0; l < 4; ++l) laneR[4 * k + l] = frameR[(l < lanes ? l : 0) * kLags + k];
    }
    double laneA[4 * (kLpcOrder + 1)];
    double laneRc[4 * kLpcOrder];
    std::int64_t unstable[4];
    levinsonLanes(path, laneR, laneA, laneRc, unstable);
    for (int l = 0; l < lanes; ++l) {
      frameR[l * kLags + 1] = laneR[4 + l];
      for (int j = 0; j <= kLpcOrder; ++j) frameA[l * (kLpcOrder + 1) + j] = laneA[4 * j + l];
      for (int i = 0; i < kLpcOrder; ++i) frameRc[l * kLpcOrder + i] = laneRc[4 * i + l];
      // In frame order: each fallback is the last stable filter before it.
      settleFilter(unstable[l] == 0, kLpcOrder, frameA + l * (kLpcOrder + 1), frameRc + l * kLpcOrder, state);
    }
  }
}

double chebyshevEval(double x, const double* f, int n) {
  const double x2 = 2.0 * x;
  double b2 = 1.0;
  double b1 = x2 + f[1];
  for (int i = 2; i < n; ++i) {
    const double b0 = x2 * b1 - b2 + f[i];
    b2 = b1;
    b1 = b0;
  }
  return x * b1 - b2 + 0.5 * f[n];
}

void lpcToLsp(const double* A, double* lsp, const double* fallback) {
  double f1[kSearchOrder + 1];
  double f2[kSearchOrder + 1];
  splitPolynomials(A, f1, f2);
  // Every grid point is needed for one polynomial or the other, so both are
  // evaluated at every point up front, side by side and independently of the
  // search; each value is the one chebyshevEval gives.
  double coefficients[4 * (kSearchOrder + 1)];
  for (int i = 0; i <= kSearchOrder; ++i) {
    coefficients[4 * i] = coefficients[4 * i + 2] = f1[i];
    coefficients[4 * i + 1] = coefficients[4 * i + 3] = f2[i];
  }
  double values[4 * kOneFilterQuads];
  chebyshevLanes(activeKernelPath(), gridQuads().oneFilter, kOneFilterQuads, coefficients, values);
  searchRoots(f1, f2, values, 2, lsp, fallback);
}

void lpcToLspFrames(const double* A, int count, double* lsp, const double* fallback, KernelPath path) {
  // In a run of silence every frame has the same filter, bit for bit; a
  // filter equal to the one before it takes that one's pairs, and only the
  // others are searched, up to a set of lanes at a time.
  constexpr int kFilter = kLpcOrder + 1;
  auto repeatsPrevious = [A](int f) {
    return f > 0 && std::memcmp(A + f * kFilter, A + (f - 1) * kFilter, sizeof(double) * kFilter) == 0;
  };
  for (int first = 0; first < count;) {
    double searched[kRootLanes * kFilter];
    int frameOf[kRootLanes];
    int lanes = 0;
    int end = first;
    for (; end < count && lanes < kRootLanes; ++end) {
      if (repeatsPrevious(end)) continue;
      std::memcpy(searched + lanes * kFilter, A + end * kFilter, sizeof(double) * kFilter);
      frameOf[lanes++] = end;
    }
    double found[kRootLanes * kLpcOrder];
    if (lanes > 0) searchRootsInLanes(searched, lanes, found, fallback, path);
    for (int l = 0; l < lanes; ++l) {
      std::memcpy(lsp + frameOf[l] * kLpcOrder, found + l * kLpcOrder, sizeof(double) * kLpcOrder);
    }
    for (int f = first; f < end; ++f) {
      if (repeatsPrevious(f)) std::memcpy(lsp + f * kLpcOrder, lsp + (f - 1) * kLpcOrder, sizeof(double) * kLpcOrder);
    }
    first = end;
  }
}

}  // namespace orvelle
