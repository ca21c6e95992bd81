#pragma once

#include <string>

namespace orvelle {

// The whole command line as one text: the arguments, program path included,
// joined by single spaces.
std::string joinCommandLine(int argc, const char* const* argv);

// Whether the splash is skipped: "-nologo" anywhere in the command line, as
// a case-sensitive substring (so -nologo2 and a path containing it count too).
bool suppressesSplash(const std::string& commandLine);

// What the program prints instead of starting when asked for "--help" or
// "--version" (the first argument only, so a plug-in path cannot trigger
// it); empty when it should start. Answered before any window system is
// needed, so both work without a display.
std::string informationRequested(int argc, const char* const* argv);

}  // namespace orvelle
