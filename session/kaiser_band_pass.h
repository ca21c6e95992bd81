#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace orvelle {

// The modified Bessel function of the first kind, order zero, by its power
// series, stopped once a term falls to 1e-7 of the sum.
double besselI0(double x);

// A linear-phase FIR band-pass filter designed by the window method with a
// Kaiser window, run as a direct convolution. Design it, then feed it one
// sample at a time (filterSample) or a run of samples (filterBlock); both give
// the same outputs to the last bit, because every output is summed tap by tap
// in the same order: c[0]·x + c[1]·x₋₁ + … + c[N-1]·x₋₍N₋₁₎.
class KaiserBandPass {
 public:
  static constexpr std::int32_t kMaxHalfLength = 500;

  // design() results below zero.
  static constexpr std::int32_t kUnequalTransitions = -3;
  static constexpr std::int32_t kTooManyTaps = -4;
  static constexpr std::int32_t kAttenuationTooLow = -11;
  static constexpr std::int32_t kAttenuationTooHigh = -12;
  static constexpr std::int32_t kEdge1NotAboveZero = -18;
  static constexpr std::int32_t kEdge1NotBelowNyquist = -19;
  static constexpr std::int32_t kEdge2NotAboveEdge1 = -20;
  static constexpr std::int32_t kEdge2NotBelowNyquist = -21;
  static constexpr std::int32_t kEdge3NotAboveEdge2 = -22;
  static constexpr std::int32_t kEdge3NotBelowNyquist = -23;
  static constexpr std::int32_t kEdge4NotAboveEdge3 = -24;
  static constexpr std::int32_t kEdge4NotBelowNyquist = -25;

  KaiserBandPass() = default;

  // Pass band from between f1 and f2 to between f3 and f4 (Hz), the two
  // transitions of equal width, the stop bands `attenuationDb` down.
  // Returns the number of taps, or one of the negative codes above. The delay
  // line starts empty (all zero).
  std::int32_t design(double sampleRateHz, double f1, double f2, double f3, double f4,
                      double attenuationDb);

  // One step: the output for input x, which then enters the delay line.
  // Before a successful design the filter has no taps and returns 0.
  double filterSample(double x);

  // `count` steps at once, the same as calling filterSample on each input in
  // turn. `input` and `output` may not overlap.
  void filterBlock(const double* input, double* output, std::int32_t count);

  // Enters `count` inputs into the delay line as filterBlock would, without
  // computing their outputs: a filter started in the middle of a signal is
  // primed with the inputs its first outputs reach back to.
  void feed(const double* input, std::int32_t count);

  // Back to the undesigned state: no taps, nothing allocated.
  void reset();

  std::int32_t halfLength() const { return halfLength_; }
  std::int32_t tapCount() const { return tapCount_; }
  double shape() const { return shape_; }
  const std::vector<double>& coefficients() const { return coefficients_; }

 private:
  // Inputs the history holds beyond the delay line, so that a block of
  // outputs reads its inputs from one straight run of memory.
  static constexpr std::int32_t kBlockRoom = 1024;

  void makeRoom();
  // Appends inputs to the history and, unless `output` is null, computes
  // their outputs.
  void enter(const double* input, double* output, std::int32_t count);
  void convolve(const double* newest, double* output, std::int32_t count) const;

  // Scratch of the design, index i for the distance halfLength - i from the
  // centre; kept as members to avoid allocating per design.
  std::array<double, kMaxHalfLength + 1> ideal_{};
  std::array<double, kMaxHalfLength + 1> window_{};
  std::array<double, kMaxHalfLength + 1> windowed_{};
  std::int32_t halfLength_ = 0;
  std::int32_t tapCount_ = 0;
  double shape_ = 0.0;
  std::vector<double> coefficients_;
  // Inputs oldest first; the delay line is the tapCount_ - 1 values just
  // before history_[next_]. Room for kBlockRoom more follows.
  std::vector<double> history_;
  std::size_t next_ = 0;
};

}  // namespace orvelle
