#pragma once

#include <cstdint>
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

}  // namespace orvelle
