#pragma once

#include <string>

namespace orvelle::platform {

// Keeps descriptors 0, 1 and 2 taken. A program started with one of them
// closed would hand that number to the next file it opens, and what it
// prints would land in that file. A closed stream is taken by /dev/null
// opened read-only, so that writes to it still fail and are noticed.
void reserveStandardStreams();

// Flushes and closes the standard output. False, with the reason, if
// anything written to it since the start was lost.
bool closeStandardOutput(std::string& reason);

}  // namespace orvelle::platform
