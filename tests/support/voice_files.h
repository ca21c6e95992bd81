#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace orvelle::test {

inline void writeVoiceFile(const std::string& path, const std::vector<std::int16_t>& samples) {
  writeWholeFile(path, std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 2));
}

inline std::vector<std::int16_t> readVoiceFile(const std::string& path) {
  const std::string bytes = readWholeFile(path);
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                           (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return samples;
}

}  // namespace orvelle::test
