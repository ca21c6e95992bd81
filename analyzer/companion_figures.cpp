#include "analyzer/companion_figures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analyzer/activity_flags.h"
#include "analyzer/sample_sums.h"
#include "analyzer/signal_delay.h"

namespace orvelle {

namespace {

// The processed samples that line up with source frame k: `delay` later,
// and silence outside the signal. Points into the signal where it can, and
// otherwise fills `spare`.
const std::int16_t* alignedFrame(const std::int16_t* processed, std::int32_t count, std::int32_t k,
                                 std::int32_t delay, std::int16_t (&spare)[kActivityFrameLength]) {
  const std::int64_t first = std::int64_t{k} * kActivityFrameLength + delay;
  if (first >= 0 && first + kActivityFrameLength <= count) return processed + first;
  for (std::int32_t i = 0; i < kActivityFrameLength; ++i) {
    const std::int64_t n = first + i;
    spare[i] = n >= 0 && n < count ? processed[n] : std::int16_t{0};
  }
  return spare;
}

void measureSpeechFrames(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                         std::span<const std::int16_t> sourceSpeech, std::int32_t delay, CompanionFigures& figures) {
  double snrSum = 0.0;
  double sourceEnergy = 0.0;
  double processedEnergy = 0.0;
  const std::int32_t frames = std::min<std::int32_t>(count / kActivityFrameLength,
                                                     static_cast<std::int32_t>(sourceSpeech.size()));
  for (std::int32_t k = 0; k < frames; ++k) {
    if (sourceSpeech[static_cast<std::size_t>(k)] == 0) continue;
    std::int16_t spare[kActivityFrameLength];
    const FrameEnergies sums = frameEnergies(source + std::int64_t{k} * kActivityFrameLength,
                                             alignedFrame(processed, count, k, delay, spare), kActivityFrameLength);
    const double signal = sums.first;
    const double noise = sums.difference;
    const double output = sums.second;
    // Silence given back as silence says nothing about the codec's noise.
    if (signal == 0.0 && output == 0.0) continue;
    // A frame coded without error has no finite SNR; a silent source frame
    // with noise has none either. Both end at a clamp.
    const double snr = noise == 0.0 ? kFrameSnrCeilingDb : 10.0 * std::log10(signal / noise);
    snrSum += std::clamp(snr, kFrameSnrFloorDb, kFrameSnrCeilingDb);
    sourceEnergy += signal;
    processedEnergy += output;
    ++figures.speechFrames;
  }
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  figures.segmentalSnrDb = figures.speechFrames > 0 ? snrSum / figures.speechFrames : kNone;
  figures.levelDifferenceDb =
      sourceEnergy > 0.0 && processedEnergy > 0.0 ? 10.0 * std::log10(processedEnergy / sourceEnergy) : kNone;
}

}  // namespace

const char* delayMethodName(DelayMethod method) { return method == DelayMethod::waveform ? "waveform" : "envelope"; }

CompanionFigures measureCompanionFigures(const std::int16_t* source, const std::int16_t* processed,
                                         std::int32_t count, std::span<const std::int16_t> sourceSpeech,
                                         const DelayEstimate& delay) {
  CompanionFigures figures;
  if (count <= 0 || source == nullptr || processed == nullptr) return figures;
  figures.delaySamples = delay.samples;
  figures.delayMethod = delay.method;
  figures.waveformCorrelation = delay.waveformCorrelation;
  measureSpeechFrames(source, processed, count, sourceSpeech, delay.samples, figures);
  figures.measured = true;
  return figures;
}

}  // namespace orvelle
