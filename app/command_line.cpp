#include "app/command_line.h"

namespace orvelle {

std::string joinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    if (i > 0) line.push_back(' ');
    line += argv[i];
  }
  return line;
}

bool suppressesSplash(const std::string& commandLine) { return commandLine.find("-nologo") != std::string::npos; }

}  // namespace orvelle
