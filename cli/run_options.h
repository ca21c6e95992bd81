#pragma once

#include <cstdint>
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
// `timeoutSeconds` (0: no limit), or in this process, for a debugger.
struct PluginHosting {
  bool inProcess = false;
  int timeoutSeconds = 0;

  engine::PluginChoice choice(const std::string& plugin) const { return {plugin, inProcess, timeoutSeconds}; }
};

// Prints a failure the way every subcommand does: the message, then the
// detail (if any) indented on the next line, with what the user can do
// about it on the command line.
void printFailure(const engine::JobError& error);
void printFailure(const char* message, const std::string& reason);

// The error's text on one line, as batch rows and league rows show it.
std::string failureText(const engine::JobError& error);

}  // namespace orvelle::cli
