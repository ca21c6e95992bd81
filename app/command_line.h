#pragma once

#include <string>

namespace orvelle {

// The whole command line as one text: the arguments, program path included,
// joined by single spaces.
std::string joinCommandLine(int argc, const char* const* argv);

// Whether the splash is skipped: "-nologo" anywhere in the command line, as
// a case-sensitive substring (so -nologo2 and a path containing it count too).
bool suppressesSplash(const std::string& commandLine);

}  // namespace orvelle
