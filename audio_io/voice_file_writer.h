#pragma once

#include <cstdint>
#include <string>

namespace orvelle {

// Writes `count` samples as a voice file (8000 Hz mono 16-bit WAV for a
// name ending in ".wav", headerless samples otherwise), which appears
// whole or not at all. On failure returns false with a reason naming the
// file; a file already at `path` is then left as it was.
bool writeVoiceFile(const std::string& path, const std::int16_t* samples, std::int64_t count, std::string* error);

}  // namespace orvelle
