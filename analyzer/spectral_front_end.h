#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "analyzer/spectrum_lanes.h"

namespace orvelle {

// Turns one frame of samples into a power spectrum and maps frequencies to
// spectrum bins. Set up once per run (size, then sample rate, then window);
// afterwards every per-frame operation is const, works in place on the
// caller's frame and uses only the precomputed tables, so one front end may
// serve several threads at once.
class SpectralFrontEnd {
 public:
  // Largest size exponent accepted; far beyond anything the analyzer uses,
  // it only keeps the tables of a wrong argument from exhausting memory.
  static constexpr std::int32_t kMaxExponent = 24;

  // Builds the bit-reversal and cosine tables for frames of N = 2^exponent
  // samples, replacing any earlier tables (the window is cleared too).
  // Returns false, leaving the front end empty, unless 1 <= exponent <= kMaxExponent.
  bool setUp(std::int32_t exponent);
  void setSampleRate(double rate) { sampleRate_ = rate; }
  // Fills the analysis window for the present frame length.
  void setAnalysisWindow();

  // Per-frame steps, in this order: the frame holds frameLength() doubles.
  void applyWindow(double* frame) const;
  // The same for a frame still in samples: frame[i] = w[i] × samples[i],
  // converted without scaling, in one pass.
  void windowSamples(const std::int16_t* samples, double* frame) const;
  // In-place real-input radix-2 transform. Afterwards, with F the DFT of the
  // frame as it was: x[0] = 2/N F(0), x[N/2] = 2/N Re F(N/2), and for
  // 0 < k < N/2, x[k] = 2/N Re F(k) and x[N-k] = -2/N Im F(k).
  void transform(double* frame) const;
  // power receives halfLength() + 1 values: (2/N)^2 |F(k)|^2 for k = 0..N/2.
  void powerSpectrum(const double* frame, double* power) const;

  // Fractional bin of a frequency; callers truncate it toward zero.
  double binPosition(double frequencyHz) const;

  std::int32_t frameLength() const { return frameLength_; }
  std::int32_t exponent() const { return exponent_; }
  std::int32_t halfLength() const { return halfLength_; }
  double sampleRate() const { return sampleRate_; }

  // The tables, for the kernels that transform several frames at once.
  LaneTables laneTables() const;

  // Table reads; an index outside the table reads 0.
  std::int32_t bitReversal(std::int32_t index) const;
  double windowValue(std::int32_t index) const;

 private:
  std::vector<std::int32_t> bitReversal_;
  std::vector<double> cosine_;  // cos(pi * i / N), N/2 entries
  // The cosine table's entries rearranged per stage of the transform, so
  // that rotations are read in sequence.
  std::vector<double> stageCosine_;
  std::vector<double> stageSine_;
  std::vector<std::int32_t> stageOffset_;
  std::vector<std::pair<std::int32_t, std::int32_t>> swapPairs_;  // i < reversed(i)
  std::vector<double> window_;
  std::int32_t frameLength_ = 0;
  std::int32_t exponent_ = 0;
  std::int32_t halfLength_ = 0;
  double sampleRate_ = 0.0;
};

}  // namespace orvelle
