#pragma once

#include <cstdint>
#include <cstdio>

namespace orvelle::platform {

// Length in bytes of an open file, leaving its read position where it was.
// Returns -1 if the file cannot be measured (not seekable, for instance).
std::int64_t fileLength(std::FILE* file);

}  // namespace orvelle::platform
