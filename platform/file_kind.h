#pragma once

#include <sys/types.h>

namespace orvelle::platform {

// What a file that is not a regular file is, for messages such as
// "... is a FIFO": "a folder", "a FIFO", "a character device", "a block
// device", "a socket", "a symbolic link", or "not a regular file".
const char* fileKindName(mode_t mode);

}  // namespace orvelle::platform
