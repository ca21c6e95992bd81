#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "engine/jobs.h"

namespace orvelle::cli {

// The speech a Codec Quality run codes, as its options give it.
struct CodecQualitySource {
  std::string voiceFile;  // empty: the internal source
  std::int32_t sizeType = 1;
  std::string saveProcessed;  // where to keep the codec's output; empty: nowhere
  bool resample = false;      // convert a voice file in another sound format

  engine::SourceSpec asSourceSpec() const { return {voiceFile, sizeType, resample}; }
};

// How plug-in code runs: in a host process, each call limited to
// `timeoutSeconds` (0: no limit) and its process to `memoryLimitBytes` (0:
// the host's default), or in this process, for a debugger.
struct PluginHosting {
  bool inProcess = false;
  int timeoutSeconds = 0;
  std::int64_t memoryLimitBytes = 0;

  engine::PluginChoice choice(const std::string& plugin) const {
    return {plugin, inProcess, timeoutSeconds, memoryLimitBytes};
  }
};

// The bytes a memory size names: digits with an optional K, M or G (KiB,
// MiB, GiB). None when it is malformed, 0, or more than a byte count holds.
inline std::optional<std::int64_t> memorySize(const std::string& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const std::string suffix = text.substr(digits);
  int shift = 0;
  if (suffix == "K" || suffix == "k") {
    shift = 10;
  } else if (suffix == "M" || suffix == "m") {
    shift = 20;
  } else if (suffix == "G" || suffix == "g") {
    shift = 30;
  } else if (!suffix.empty()) {
    return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int digit = text[i] - '0';
    if (value > (kMost - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  if (value == 0 || value > (kMost >> shift)) return std::nullopt;
  return value << shift;
}

// Prints a failure the way every subcommand does: the message, then the
// detail (if any) indented on the next line, with what the user can do
// about it on the command line.
void printFailure(const engine::JobError& error);
void printFailure(const char* message, const std::string& reason);

// The error's text on one line, as batch rows and league rows show it.
std::string failureText(const engine::JobError& error);

}  // namespace orvelle::cli
