#include "cli/plugin_locator.h"

#include <filesystem>
#include <system_error>

namespace orvelle::cli {

namespace fs = std::filesystem;

std::string bundledPluginDirectory() {
  // Next to the program first (an installed or moved build tree keeps the
  // layout <tree>/cli/orvelle-cli and <tree>/plugins/), then where this
  // build put them.
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    const fs::path beside = program.parent_path().parent_path() / "plugins";
    if (fs::is_directory(beside, error)) return beside.string();
  }
  return ORVELLE_PLUGIN_DIR;
}

std::string locatePlugin(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  std::error_code error;
  const fs::path bundled = fs::path(bundledPluginDirectory()) / (name + ".so");
  if (fs::is_regular_file(bundled, error)) return bundled.string();
  return name;
}

}  // namespace orvelle::cli
