#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio_io/voice_file_reader.h"
#include "platform/sample_array.h"

namespace orvelle {

// Two voice files read for scoring one against the other: each followed by
// silence to a common length, so that the end of the longer one still
// reaches the analysis frames.
struct VoicePair {
  SampleArray source;
  SampleArray processed;
  std::int32_t count = 0;  // samples of each that are scored
  // For each file that was resampled while it was read, what was done.
  std::vector<std::string> conversionNotes;
};

// Voice files shorter than this cannot be scored against each other.
inline constexpr std::int64_t kMinimumVoiceFileBytes = 40000;

// Reads both files into `pair`. False, with `fault` and a `reason` naming the
// file and the cause, if a file cannot be opened or read, is shorter than
// kMinimumVoiceFileBytes, is too long for a 32-bit sample count with its
// padding, or its samples cannot be held in memory.
bool readVoicePair(const char* sourcePath, const char* processedPath, OtherFormats others, VoicePair& pair,
                   VoiceFault& fault, std::string& reason);

// The same for two signals a caller holds in memory: each must hold as many
// samples as a voice file of kMinimumVoiceFileBytes, and is padded alike, so
// that samples score as the voice file holding them does. Messages name
// "the source samples" and "the processed samples".
bool holdVoicePair(std::span<const std::int16_t> source, std::span<const std::int16_t> processed, VoicePair& pair,
                   VoiceFault& fault, std::string& reason);

}  // namespace orvelle
