#include "audio_io/voice_pair.h"

#include <algorithm>
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

// The common length of two signals of these byte counts, the longer one
// followed by the trailing silence.
std::int32_t paddedCount(std::int64_t longerBytes) {
  return static_cast<std::int32_t>((longerBytes + kTrailingSilenceBytes) / 2);
}

// Both buffers of `count` samples (and the spare room), zero-filled.
bool allocatePair(std::int32_t count, SampleArray& source, SampleArray& processed) {
  const std::size_t bufferSamples = static_cast<std::size_t>(count) + kSpareSamples;
  source = zeroedArray(bufferSamples);
  processed = source ? zeroedArray(bufferSamples) : nullptr;
  return source && processed;
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
  const std::int32_t count = paddedCount(longerBytes);
  SampleArray sourceSamples;
  SampleArray processedSamples;
  if (!allocatePair(count, sourceSamples, processedSamples)) {
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

bool holdVoicePair(std::span<const std::int16_t> source, std::span<const std::int16_t> processed, VoicePair& pair,
                   VoiceFault& fault, std::string& reason) {
  pair = VoicePair{};
  fault = VoiceFault::none;
  constexpr auto kMinimumSamples = static_cast<std::size_t>(kMinimumVoiceFileBytes / 2);
  constexpr auto kMaximumSamples = static_cast<std::size_t>(kMaximumFileBytes / 2);
  const struct {
    const char* role;
    std::size_t size;
  } sides[] = {{"source", source.size()}, {"processed", processed.size()}};
  for (const auto& side : sides) {
    if (side.size < kMinimumSamples) {
      reason = std::string("The ") + side.role + " samples are too short: " + std::to_string(side.size) +
               " samples, at least " + std::to_string(kMinimumSamples) + " are needed";
      return failed(fault, VoiceFault::tooShort);
    }
  }
  for (const auto& side : sides) {
    if (side.size > kMaximumSamples) {
      reason = std::string("The ") + side.role + " samples are too long to analyse: " + std::to_string(side.size) +
               " samples, at most " + std::to_string(kMaximumSamples) + " can be scored";
      return failed(fault, VoiceFault::tooLong);
    }
  }
  const std::size_t longer = source.size() > processed.size() ? source.size() : processed.size();
  const std::int32_t count = paddedCount(2 * static_cast<std::int64_t>(longer));
  if (!allocatePair(count, pair.source, pair.processed)) {
    pair = VoicePair{};
    reason = "Not enough memory to hold the source and processed samples (" + std::to_string(count) +
             " samples each)";
    return failed(fault, VoiceFault::outOfMemory);
  }
  std::copy(source.begin(), source.end(), pair.source.get());
  std::copy(processed.begin(), processed.end(), pair.processed.get());
  pair.count = count;
  return true;
}

}  // namespace orvelle
