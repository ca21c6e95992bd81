#include "app/command_line.h"

#include "analyzer/measure_version.h"

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

std::string informationRequested(int argc, const char* const* argv) {
  if (argc < 2) return {};
  const std::string first = argv[1];
  if (first == "--version") {
    return std::string("orvelle ") + programVersion() + " (measure version " + std::to_string(kMeasureVersion) + ")\n";
  }
  if (first != "--help") return {};
  return "Usage: orvelle [-nologo]\n"
         "Orvelle measures how much a speech codec plug-in degrades narrow-band speech: the desktop program.\n"
         "\n"
         "Options:\n"
         "  -nologo     start without the splash window\n"
         "  --help      print this help and exit\n"
         "  --version   print the version of the program and of its measure, and exit\n"
         "\n"
         "The same tests run from a terminal or a script with orvelle-cli.\n";
}

}  // namespace orvelle
