#pragma once

#include <string>

namespace orvelle::platform {

// The directory the program was started in, with a trailing '/'. Recorded once
// by the program's start-up before any window or command runs; the measurement
// log lives there. Tests may point it at a scratch folder.
const std::string& startupDirectory();
void setStartupDirectory(std::string directory);

// The process's current directory followed by '/', at its full length.
// Empty if the current directory cannot be determined.
std::string currentDirectoryWithSeparator();

}  // namespace orvelle::platform
