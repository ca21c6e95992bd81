#pragma once

#include <cstdint>
#include <string>

namespace orvelle::cli {

// Writes `count` samples as a headerless 16-bit voice file, which appears
// whole or not at all. On failure returns false with a reason naming the
// file; a file already at `path` is then left as it was.
bool writeVoiceFile(const std::string& path, const std::int16_t* samples, std::int64_t count, std::string* error);

}  // namespace orvelle::cli
