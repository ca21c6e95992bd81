#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/kernel_path.h"
#include "kernels/lpc_lane_shapes.h"
#include "kernels/spectrum_lane_tables.h"

namespace orvelle {

// The processor-specific kernels of one path, every family in one place.
// An empty entry means the path has no kernel of its own for that family:
// the caller runs its plain code, which defines the result. Each kernel
// does exactly the plain code's operations in their order, lane by lane,
// so every entry gives the bits of the plain code; what each computes is
// told beside its caller (dsp/lpc_lanes.h, analyzer/spectrum_lanes.h,
// analyzer/mean_step.h, ...).
//
// Kernels named "leading" do a loop's first part, as many items as fill
// whole vectors, and return how many they did; the caller does the rest.
struct KernelTable {
  KernelPath path = KernelPath::reference;

  // The LPC chain (dsp/lpc_lanes.h).
  void (*lagSums)(int windows, const double* const* y, double* const* r) = nullptr;
  void (*frameLagSums)(const double* analysisWindow, const double* const* x, double* const* r) = nullptr;
  void (*quietLagSums)(const double* const* y, double* const* r) = nullptr;
  void (*chebyshevLanes)(const double* x, int quads, const double* coefficients, double* out) = nullptr;
  double (*bisectAndInterpolate)(const double* coefficients, double xlow, double ylow, double xhigh,
                                 double yhigh) = nullptr;
  void (*bisectLanes)(RootLanes& lanes) = nullptr;
  void (*levinsonLanes)(double* r, double* A, double* rc, std::int64_t* unstable) = nullptr;
  void (*gridSignChanges)(const double* values, int points, std::uint64_t* changes) = nullptr;

  // The power spectra of 4 frames at once, or 8 on the avx512 path
  // (analyzer/spectrum_lanes.h).
  void (*laneSpectra)(const LaneTables& tables, const std::int16_t* const* samples, double* const* power,
                      double* lanes) = nullptr;

  // Leading: values[i] += (power[i] - values[i]) / frames (analyzer/mean_step.h).
  std::size_t (*meanStep)(double* values, const double* power, std::size_t count, double frames) = nullptr;

  // Leading: the sums of x^2, y^2 and (x - y)^2 in whole numbers held as
  // doubles, into sums[0..2] (analyzer/sample_sums.h).
  std::size_t (*frameEnergies)(const std::int16_t* x, const std::int16_t* y, std::size_t count,
                               double* sums) = nullptr;

  // Leading: the sum of x^2, exact (analyzer/sample_sums.h).
  std::size_t (*sumOfSquares)(const std::int16_t* x, std::size_t count, std::uint64_t& sum) = nullptr;

  // Leading: to[i] = from[i] (analyzer/lagged_correlation.cpp).
  std::size_t (*convertSamples)(const std::int16_t* from, double* to, std::size_t count) = nullptr;

  // Leading: a[k] = conj(a[k]) * b[k] on interleaved complex values
  // (analyzer/lagged_correlation.cpp).
  std::size_t (*conjugateProduct)(double* a, const double* b, std::size_t bins) = nullptr;

  // The largest magnitude bits of v[0..count) (dsp/underflow.h).
  std::uint64_t (*largestMagnitudeBits)(const double* v, int count) = nullptr;

  // Leading: output[j] = sum over k < taps of c[k] * newest[j - k], in
  // ascending k (session/kaiser_band_pass.h).
  std::int32_t (*convolve)(const double* c, std::int32_t taps, const double* newest, double* output,
                           std::int32_t count) = nullptr;
};

// The table of a path the processor runs (a path it lacks is a
// programming error and stops the program).
const KernelTable& kernelsFor(KernelPath path);

// The table of this run's path, chosen once, at first use (see
// activeKernelPath).
const KernelTable& kernels();

}  // namespace orvelle
