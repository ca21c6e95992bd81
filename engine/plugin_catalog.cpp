#include "engine/plugin_catalog.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/program_folder.h"

namespace orvelle::engine {

namespace fs = std::filesystem;

namespace {

// A folder of that name may be something else (a build tree's own "plugins"
// folder of build files); only one with libraries in it is taken.
bool holdsPlugins(const fs::path& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".so") return true;
  }
  return false;
}

}  // namespace

std::string bundledPluginDirectory() {
  // Next to the program first (an installed or moved build tree keeps the
  // layout <tree>/cli/orvelle-cli and <tree>/plugins/), then where this
  // build put them.
  const fs::path program = platform::programFolder();
  if (!program.empty()) {
    const fs::path beside = program.parent_path() / "plugins";
    if (holdsPlugins(beside)) return beside.string();
  }
  return ORVELLE_PLUGIN_DIR;
}

std::vector<std::string> bundledPluginNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(bundledPluginDirectory(), error)) {
    if (entry.path().extension() == ".so") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

bool isBareName(const std::string& name) { return !name.empty() && name.find('/') == std::string::npos; }

fs::path bundledPath(const std::string& name) { return fs::path(bundledPluginDirectory()) / (name + ".so"); }

}  // namespace

std::string locatePlugin(const std::string& name) {
  if (!isBareName(name)) return name;
  std::error_code error;
  const fs::path bundled = bundledPath(name);
  if (fs::is_regular_file(bundled, error)) return bundled.string();
  return name;
}

std::string withLocalFileHint(std::string reason, const std::string& name) {
  std::error_code error;
  if (!isBareName(name) || fs::is_regular_file(bundledPath(name), error) || !fs::exists(name, error)) return reason;
  // Only the plug-in whose load failed gets the hint.
  if (reason.find(name) == std::string::npos) return reason;
  return reason + ". No bundled plug-in is named \"" + name + "\"; ./" + name + " loads the file of that name in this folder";
}

}  // namespace orvelle::engine
