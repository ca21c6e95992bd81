#pragma once

#include <cstdint>
#include <string>

namespace orvelle::cli {

// Writes `count` samples as a headerless 16-bit voice file. On failure
// returns false with a reason naming the file.
bool writeVoiceFile(const std::string& path, const std::int16_t* samples, std::int64_t count, std::string* error);

}  // namespace orvelle::cli
