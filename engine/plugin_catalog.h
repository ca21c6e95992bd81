#pragma once

#include <string>
#include <vector>

namespace orvelle::engine {

// A plug-in named on the command line: a codec command ("cmd:...") or a path
// (anything with a '/') is used as given; a bare name such as "g711u" is
// looked up among the plug-ins that ship with the program, then among the
// bundled commands (engine/bundled_commands.h); anything else goes to the
// system's library search.
std::string locatePlugin(const std::string& name);

// `reason` (a load failure), followed by a hint when `name` is a bare name
// that no bundled plug-in has but a file in the current folder has: such a
// name goes to the system's library search, which never looks there.
std::string withLocalFileHint(std::string reason, const std::string& name);

// The folder of the bundled plug-ins.
std::string bundledPluginDirectory();

// The bundled plug-ins by name, in alphabetical order.
std::vector<std::string> bundledPluginNames();

// The bundled plug-ins and the bundled commands whose programs are
// installed, by name, in alphabetical order.
std::vector<std::string> bundledCodecNames();

}  // namespace orvelle::engine
