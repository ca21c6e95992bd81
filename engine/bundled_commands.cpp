#include "engine/bundled_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace orvelle::engine {

namespace {

struct BundledCommand {
  const char* name;
  const char* command;
  std::initializer_list<const char*> programs;
};

// Opus beside the opus_* plug-ins, through its reference tools; G.711 A-law
// beside the g711a plug-in, through sox, without dither so that it codes
// exactly what the plug-in codes.
const BundledCommand kBundledCommands[] = {
    {"opusenc_8k",
     "cmd:opusenc --quiet --raw --raw-rate 8000 --raw-chan 1 --raw-bits 16 --bitrate 8 {in} - | "
     "opusdec --quiet --rate 8000 - {out}",
     {"opusenc", "opusdec"}},
    {"opusenc_16k",
     "cmd:opusenc --quiet --raw --raw-rate 8000 --raw-chan 1 --raw-bits 16 --bitrate 16 {in} - | "
     "opusdec --quiet --rate 8000 - {out}",
     {"opusenc", "opusdec"}},
    {"sox_g711a", "cmd:sox -D -t s16 -r 8000 -c 1 {in} -t al - | sox -t al -r 8000 -c 1 - -t s16 {out}", {"sox"}},
};

bool isInstalled(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool programsInstalled(const BundledCommand& command) {
  for (const char* program : command.programs) {
    if (!isInstalled(program)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> bundledCommand(const std::string& name) {
  for (const BundledCommand& command : kBundledCommands) {
    if (name == command.name && programsInstalled(command)) return std::string(command.command);
  }
  return std::nullopt;
}

std::vector<std::string> bundledCommandNames() {
  std::vector<std::string> names;
  for (const BundledCommand& command : kBundledCommands) {
    if (programsInstalled(command)) names.push_back(command.name);
  }
  return names;
}

}  // namespace orvelle::engine
