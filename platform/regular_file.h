#pragma once

#include <cstdio>
#include <memory>

namespace orvelle::platform {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The outcome of openRegularFile: an open file, or why there is none.
struct RegularFileOpening {
  FileHandle file;             // opened for binary reading
  int error = 0;               // errno, when the path could not be opened
  const char* kind = nullptr;  // fileKindName(), when the path is not a regular file
};

// Opens `path` for reading only if it is a regular file. The open itself
// never blocks, so a FIFO without a writer or a device is refused at once,
// and the check is made on the opened file, so the path cannot be swapped
// between the check and the open.
RegularFileOpening openRegularFile(const char* path);

}  // namespace orvelle::platform
