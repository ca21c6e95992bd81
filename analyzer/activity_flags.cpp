#include "analyzer/activity_flags.h"

#include "analyzer/analysis_frame.h"
#include "dsp/speech_activity_detector.h"

namespace orvelle {

static_assert(SpeechActivityDetector::kFrameLength == kActivityFrameLength);

namespace {

// Decisions handed over by the detector at a time.
constexpr std::int32_t kDecisionBatch = 256;

}  // namespace

std::size_t activityFlagCount(std::int32_t sampleCount) {
  const std::int32_t frames = sampleCount > 0 ? sampleCount / kActivityFrameLength : 0;
  return static_cast<std::size_t>(frames) + kSpareActivityFlags;
}

std::int32_t detectorFrameCount(std::int32_t sampleCount) {
  if (sampleCount <= kAnalysisFrameLength) return 0;
  const std::int64_t span = std::int64_t{sampleCount} - kAnalysisFrameLength;
  return static_cast<std::int32_t>((span + kActivityFrameLength - 1) / kActivityFrameLength);
}

void detectActivity(const std::int16_t* samples, std::int32_t sampleCount, std::int16_t* flags) {
  SpeechActivityDetector detector;
  const std::int32_t frames = detectorFrameCount(sampleCount);
  std::int32_t decisions[kDecisionBatch];
  for (std::int32_t done = 0; done < frames; done += kDecisionBatch) {
    const std::int32_t count = frames - done < kDecisionBatch ? frames - done : kDecisionBatch;
    detector.processFrames(samples + static_cast<std::ptrdiff_t>(done) * kActivityFrameLength, count, decisions);
    for (std::int32_t k = 0; k < count; ++k) flags[done + k] = decisions[k] == 1 ? 1 : 0;
  }
  applyHangover(flags, frames);
}

void detectActivityPair(const std::int16_t* first, const std::int16_t* second, std::int32_t sampleCount,
                        std::int16_t* firstFlags, std::int16_t* secondFlags) {
  SpeechActivityDetector firstDetector;
  SpeechActivityDetector secondDetector;
  const std::int32_t frames = detectorFrameCount(sampleCount);
  std::int32_t decisions[2][kDecisionBatch];
  for (std::int32_t done = 0; done < frames; done += kDecisionBatch) {
    const std::int32_t count = frames - done < kDecisionBatch ? frames - done : kDecisionBatch;
    const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(done) * kActivityFrameLength;
    SpeechActivityDetector::processFramesPair(firstDetector, first + start, secondDetector, second + start, count,
                                              decisions[0], decisions[1]);
    for (std::int32_t k = 0; k < count; ++k) {
      firstFlags[done + k] = decisions[0][k] == 1 ? 1 : 0;
      secondFlags[done + k] = decisions[1][k] == 1 ? 1 : 0;
    }
  }
  applyHangover(firstFlags, frames);
  applyHangover(secondFlags, frames);
}

void applyHangover(std::int16_t* flags, std::int32_t frameCount) {
  for (std::int32_t start = 0; start < frameCount; start += kHangoverBlockFrames) {
    std::int32_t sum = 0;
    for (std::int32_t i = 0; i < kHangoverBlockFrames; ++i) sum += flags[start + i];
    const std::int16_t value = sum > 0 ? 1 : 0;
    for (std::int32_t i = 0; i < kHangoverBlockFrames; ++i) flags[start + i] = value;
  }
}

double mergeActivity(std::int16_t* sourceFlags, const std::int16_t* processedFlags, std::int32_t sampleCount) {
  const std::int32_t frames = sampleCount > 0 ? sampleCount / kActivityFrameLength : 0;
  if (frames == 0) return 1.0;
  std::int32_t disagreements = 0;
  for (std::int32_t k = 0; k < frames; ++k) {
    if (sourceFlags[k] != processedFlags[k]) ++disagreements;
    if (sourceFlags[k] != 0 || processedFlags[k] != 0) sourceFlags[k] = 1;
  }
  return static_cast<double>(frames - disagreements) / static_cast<double>(frames);
}

}  // namespace orvelle
