#include "audio_io/voice_pair.h"

#include <limits>

namespace orvelle {

namespace {

// Each voice file is followed by at least this much silence (2.5 s).
constexpr std::int64_t kTrailingSilenceBytes = 40000;
// Room past the last sample, so that no analysis frame could ever leave the
// buffer.
constexpr std::size_t kSpareSamples = 1024;
// The longest voice file whose padded length still fits a 32-bit count.
constexpr std::int64_t kMaximumFileBytes =
    2 * std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1 - kTrailingSilenceBytes;

bool failed(VoiceFault& fault, VoiceFault cause) {
  fault = cause;
  return false;
}

}  // namespace

bool readVoicePair(const char* sourcePath, const char* processedPath, OtherFormats others, VoicePair& pair,
                   VoiceFault& fault, std::string& reason) {
  pair = VoicePair{};
  fault = VoiceFault::none;
  OpenVoiceFile source;
  OpenVoiceFile processed;
  if (!openVoiceFile(sourcePath, "source", kMinimumVoiceFileBytes, source, reason, others)) {
    return failed(fault, source.fault);
  }
  if (!openVoiceFile(processedPath, "processed", kMinimumVoiceFileBytes, processed, reason, others)) {
    return failed(fault, processed.fault);
  }

  // The padded length must fit a 32-bit sample count; checked before the
  // padding is added so that no file size can overflow the sum.
  const std::int64_t longerBytes = source.bytes > processed.bytes ? source.bytes : processed.bytes;
  if (longerBytes > kMaximumFileBytes) {
    const bool sourceLonger = source.bytes >= processed.bytes;
    const OpenVoiceFile& longer = sourceLonger ? source : processed;
    reason = std::string("The ") + (sourceLonger ? "source" : "processed") + " voice file \"" +
             (sourceLonger ? sourcePath : processedPath) + "\" is too long to analyse: " +
             voiceLengthText(longer, longerBytes) + ", at most " + voiceLengthCount(longer, kMaximumFileBytes) +
             " can be scored";
    return failed(fault, VoiceFault::tooLong);
  }
  const auto count = static_cast<std::int32_t>((longerBytes + kTrailingSilenceBytes) / 2);
  const std::size_t bufferSamples = static_cast<std::size_t>(count) + kSpareSamples;

  SampleArray sourceSamples = zeroedArray(bufferSamples);
  SampleArray processedSamples = sourceSamples ? zeroedArray(bufferSamples) : nullptr;
  if (!sourceSamples || !processedSamples) {
    reason = std::string("Not enough memory to read the voice files \"") + sourcePath + "\" and \"" +
             processedPath + "\" (" + std::to_string(count) + " samples each)";
    return failed(fault, VoiceFault::outOfMemory);
  }
  if (!readVoiceSamples(source, sourcePath, "source", sourceSamples.get(), count, reason)) {
    return failed(fault, source.fault);
  }
  if (!readVoiceSamples(processed, processedPath, "processed", processedSamples.get(), count, reason)) {
    return failed(fault, processed.fault);
  }
  if (source.resampled) pair.conversionNotes.push_back(conversionNote(source, sourcePath, "source"));
  if (processed.resampled) pair.conversionNotes.push_back(conversionNote(processed, processedPath, "processed"));
  pair.source = std::move(sourceSamples);
  pair.processed = std::move(processedSamples);
  pair.count = count;
  return true;
}

}  // namespace orvelle
