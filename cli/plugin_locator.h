#pragma once

#include <string>

namespace orvelle::cli {

// A plug-in named on the command line: a path (anything with a '/') is used
// as given; a bare name such as "g711u" is looked up among the plug-ins that
// ship with the program; anything else goes to the system's library search.
std::string locatePlugin(const std::string& name);

// The folder of the bundled plug-ins.
std::string bundledPluginDirectory();

}  // namespace orvelle::cli
