// Operations that lay out the speech in memory for the codecs: one input and
// one zero-filled output buffer for Codec Quality, one input and two outputs
// for Compare codecs.
#include <algorithm>
#include <limits>

#include "audio_io/voice_file_reader.h"
#include "session/plugin_calls.h"
#include "session/stop_offer.h"
#include "session/test_session.h"

namespace orvelle {

namespace {

// Silence after a voice file's samples that the codec never sees as data but
// may read ahead into.
constexpr std::int64_t kVoiceFilePadding = 41024;
constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

bool isSizeType(std::int32_t sizeType) { return sizeType >= 0 && sizeType <= 2; }

}  // namespace

bool TestSession::prepareVoiceData(ProgressDialog* dialog) {
  dialog->setOperationText("Make Data for Codec Test");
  std::string error;
  {
    StopOffer stop(dialog, codec, pluginCalls);
    if (!queryFrameSize(codec, codecPath.str(), pluginCalls, &frameSize, &error)) {
      return fail(failureKindOf(codec, FailureKind::pluginFailed), error);
    }
  }
  progressCurrent.store(0);
  releaseVoiceData();
  voiceConversionNotes.clear();

  if (sourceType != 0) {
    const std::string& path = voiceFilePath.str();
    const std::string name = heldSource ? std::string("the source samples") : "the voice file \"" + path + "\"";
    const char* const are = heldSource ? " are" : " is";
    OpenVoiceFile voice;
    std::string reason;
    if (!heldSource && !openVoiceFile(path.c_str(), "", 0, voice, reason, otherVoiceFormats)) {
      return fail(failureKindOf(voice.fault), reason);
    }
    const auto fileSamples = heldSource ? static_cast<std::int64_t>(heldSource->size()) : voice.bytes / 2;
    // Compared before adding: a held span may be longer than any count.
    if (fileSamples > kMaxCount - kVoiceFilePadding - frameSize) {
      return fail(FailureKind::tooLong, "T" + name.substr(1) + are + " too long (" + std::to_string(fileSamples) +
                  " samples); with the codec's frame and padding it must stay below " + std::to_string(kMaxCount) +
                  " samples");
    }
    const std::int64_t count = frameSize + fileSamples;
    sampleCount = static_cast<std::int32_t>(count);
    progressTotal.store(sampleCount / frameSize);
    dialog->setRange(sampleCount);
    inputSamples = allocateSamples(count + kVoiceFilePadding);
    outputSamples = allocateSamples(count + kVoiceFilePadding);
    if (!inputSamples || !outputSamples) {
      releaseVoiceData();
      return fail(FailureKind::outOfMemory, "Not enough memory for " + name + " (" + std::to_string(count) + " samples)");
    }
    if (heldSource) {
      std::copy(heldSource->begin(), heldSource->end(), inputSamples.get());
      return true;
    }
    // Only whole samples are read: an odd last byte is not a sample and must
    // not leak into the counted frame of silence that follows. Whatever a
    // shrinking file no longer delivers stays zero.
    if (!readVoiceSamples(voice, path.c_str(), "", inputSamples.get(), static_cast<std::int32_t>(fileSamples),
                          reason)) {
      releaseVoiceData();
      return fail(failureKindOf(voice.fault), reason);
    }
    if (voice.resampled) voiceConversionNotes.push_back(conversionNote(voice, path.c_str(), ""));
    return true;
  }

  if (!isSizeType(sizeType)) return fail("Unknown signal size " + std::to_string(sizeType));
  // The internal source's length for this frame size, taken in 64 bits so
  // that an absurd frame size is refused instead of wrapping the count.
  const std::int64_t count = static_cast<std::int64_t>(synthesizer_.signalLength(0, sizeType)) + frameSize;
  if (count > kMaxCount) {
    return fail(codecPath.str() + ": a frame size of " + std::to_string(frameSize) +
                " makes the internal source longer than " + std::to_string(kMaxCount) + " samples");
  }
  sampleCount = static_cast<std::int32_t>(count);
  progressTotal.store(sampleCount / frameSize);
  dialog->setRange(sampleCount);
  inputSamples = allocateSamples(count);
  outputSamples = allocateSamples(count);
  if (!inputSamples || !outputSamples) {
    releaseVoiceData();
    return fail(FailureKind::outOfMemory, "not enough memory for " + std::to_string(count) + " samples");
  }
  synthesizer_.generateInternalSource(inputSamples.get(), dialog, sizeType);
  return true;
}

bool TestSession::prepareComparisonData(ProgressDialog* dialog) {
  dialog->setOperationText("Make Data for Codec Test");
  std::string error;
  {
    StopOffer stop(dialog, sourceCodec, pluginCalls);
    if (!queryFrameSize(sourceCodec, sourceCodecPath.str(), pluginCalls, &sourceFrameSize, &error) ||
        !queryFrameSize(testedCodec, testedCodecPath.str(), pluginCalls, &testedFrameSize, &error)) {
      const FailureKind sourceKind = failureKindOf(sourceCodec, FailureKind::pluginFailed);
      return fail(sourceKind != FailureKind::pluginFailed ? sourceKind
                                                          : failureKindOf(testedCodec, FailureKind::pluginFailed),
                  error);
    }
  }
  if (!isSizeType(sizeType)) return fail("Unknown signal size " + std::to_string(sizeType));
  const std::int32_t largerFrame = std::max(sourceFrameSize, testedFrameSize);
  const std::int64_t count = static_cast<std::int64_t>(synthesizer_.signalLength(0, sizeType)) + largerFrame;
  if (count + largerFrame > kMaxCount) {
    return fail("a frame size of " + std::to_string(largerFrame) + " makes the internal source longer than " +
                std::to_string(kMaxCount) + " samples");
  }
  comparisonSampleCount = static_cast<std::int32_t>(count);
  sourceFrameCount = comparisonSampleCount / sourceFrameSize;
  testedFrameCount = comparisonSampleCount / testedFrameSize;
  releaseComparisonData();
  dialog->setRange(comparisonSampleCount);
  comparisonSamples = allocateSamples(count + largerFrame);
  sourceCodecOutput = allocateSamples(count + sourceFrameSize);
  testedCodecOutput = allocateSamples(count + testedFrameSize);
  if (!comparisonSamples || !sourceCodecOutput || !testedCodecOutput) {
    releaseComparisonData();
    return fail(FailureKind::outOfMemory, "not enough memory for " + std::to_string(count) + " samples");
  }
  synthesizer_.generateInternalSource(comparisonSamples.get(), dialog, sizeType);
  return true;
}

}  // namespace orvelle
