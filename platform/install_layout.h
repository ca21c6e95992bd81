#pragma once

#include <filesystem>

namespace orvelle::platform {

// Where the program's own parts are, found from the file that holds this code
// (a program, or a module loaded into another one) and never compiled in, so
// that a build tree or an installed tree keeps working wherever it is moved.
// Two layouts are recognised, in a folder at or above that file's folder:
//   installed: libexec/orvelle/orvelle-plugin-host (and orvelle-command-host),
//              lib/orvelle/plugins/, share/orvelle/speech/
//   build:     plugin_host/orvelle-plugin-host (and orvelle-command-host),
//              plugins/, speech/
// Where neither is found, the parts are where an installed tree beside the
// program would have them, so a message names a sensible path.
struct InstallLayout {
  std::filesystem::path pluginHost;
  std::filesystem::path commandHost;
  std::filesystem::path bundledPlugins;
  std::filesystem::path speech;
};

const InstallLayout& installLayout();

// The layout found at or above `codeFolder`; what installLayout() uses.
InstallLayout findInstallLayout(const std::filesystem::path& codeFolder);

}  // namespace orvelle::platform
