#include "analyzer/signal_delay.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "analyzer/lagged_correlation.h"
#include "analyzer/sample_sums.h"

namespace orvelle {

namespace {

constexpr std::int32_t kEnvelopeWindow = 80;  // 10 ms
constexpr std::int32_t kEnvelopeHop = 8;      // 1 ms: the envelope method's resolution

// The lag of the largest entry; the smallest lag in magnitude wins a tie.
std::int32_t peakLag(const std::vector<double>& correlation, std::int32_t maxLag) {
  std::int32_t best = 0;
  for (std::int32_t lag = -maxLag; lag <= maxLag; ++lag) {
    const double value = correlation[static_cast<std::size_t>(lag + maxLag)];
    const double bestValue = correlation[static_cast<std::size_t>(best + maxLag)];
    if (value > bestValue || (value == bestValue && std::abs(lag) < std::abs(best))) best = lag;
  }
  return best;
}

// RMS of each 10 ms window, every millisecond, less the mean: louder and
// quieter stretches then correlate whatever the codec does to the waveform.
std::vector<double> energyEnvelope(std::span<const std::int16_t> samples) {
  std::vector<double> envelope;
  if (samples.size() < static_cast<std::size_t>(kEnvelopeWindow)) return envelope;
  const std::size_t points = (samples.size() - kEnvelopeWindow) / kEnvelopeHop + 1;
  envelope.reserve(points);
  double sum = 0.0;
  for (std::size_t j = 0; j < points; ++j) {
    const double windowEnergy = sumOfSquares(samples.subspan(j * kEnvelopeHop, kEnvelopeWindow));
    envelope.push_back(std::sqrt(windowEnergy / kEnvelopeWindow));
    sum += envelope.back();
  }
  const double mean = sum / static_cast<double>(points);
  for (double& value : envelope) value -= mean;
  return envelope;
}

}  // namespace

DelayEstimate estimateDelay(const std::int16_t* source, const std::int16_t* processed, std::int32_t count) {
  DelayEstimate estimate;
  if (count <= 0) return estimate;
  const std::span<const std::int16_t> a(source, static_cast<std::size_t>(count));
  const std::span<const std::int16_t> b(processed, static_cast<std::size_t>(count));

  const std::vector<double> waveform = laggedCorrelation(a, b, kMaximumDelaySamples);
  const std::int32_t waveformLag = peakLag(waveform, kMaximumDelaySamples);
  const double norm = std::sqrt(sumOfSquares(a) * sumOfSquares(b));
  estimate.waveformCorrelation =
      norm > 0.0 ? waveform[static_cast<std::size_t>(waveformLag + kMaximumDelaySamples)] / norm : 0.0;
  estimate.samples = waveformLag;
  if (estimate.waveformCorrelation >= kWaveformCorrelationThreshold) return estimate;

  estimate.method = DelayMethod::envelope;
  const std::vector<double> sourceEnvelope = energyEnvelope(a);
  const std::vector<double> processedEnvelope = energyEnvelope(b);
  constexpr std::int32_t kMaxSteps = kMaximumDelaySamples / kEnvelopeHop;
  const std::vector<double> envelope = laggedCorrelation(sourceEnvelope, processedEnvelope, kMaxSteps);
  estimate.samples = peakLag(envelope, kMaxSteps) * kEnvelopeHop;
  return estimate;
}

}  // namespace orvelle
