#pragma once

#include <cstdint>
#include <string>

#include "platform/regular_file.h"

namespace orvelle {

using FileHandle = platform::FileHandle;

// A voice file opened for reading: headerless 16-bit little-endian mono
// samples. `role` ("source", "processed") names the file in messages; an
// empty role names it just "the voice file".
struct OpenVoiceFile {
  FileHandle file;
  std::int64_t bytes = 0;
};

// Opens `path` and measures it. Returns false with `reason` set when it
// cannot be opened or measured, or holds fewer than `minimumBytes`.
bool openVoiceFile(const char* path, const char* role, std::int64_t minimumBytes, OpenVoiceFile& out,
                   std::string& reason);

// Reads up to `count` samples from the file's start into `samples`, which
// keeps its contents past the end of the file. Returns false with `reason`
// set on a read error.
bool readVoiceSamples(OpenVoiceFile& voice, const char* path, const char* role, std::int16_t* samples,
                      std::int32_t count, std::string& reason);

}  // namespace orvelle
