#include "analyzer/companion_figures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analyzer/activity_flags.h"
#include "analyzer/signal_delay.h"

namespace orvelle {

namespace {

// A processed sample `delay` later than source sample n; silence outside.
double processedAt(const std::int16_t* processed, std::int32_t count, std::int64_t index) {
  return index >= 0 && index < count ? static_cast<double>(processed[index]) : 0.0;
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
    double signal = 0.0;
    double noise = 0.0;
    double output = 0.0;
    for (std::int32_t i = 0; i < kActivityFrameLength; ++i) {
      const std::int64_t n = std::int64_t{k} * kActivityFrameLength + i;
      const double x = source[n];
      const double y = processedAt(processed, count, n + delay);
      signal += x * x;
      noise += (x - y) * (x - y);
      output += y * y;
    }
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
