#include "engine/plugin_catalog.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "engine/bundled_commands.h"
#include "platform/install_layout.h"
#include "session/codec_command.h"

namespace orvelle::engine {

namespace fs = std::filesystem;

std::string bundledPluginDirectory() { return platform::installLayout().bundledPlugins.string(); }

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
  if (isCodecCommand(name) || !isBareName(name)) return name;
  std::error_code error;
  const fs::path bundled = bundledPath(name);
  if (fs::is_regular_file(bundled, error)) return bundled.string();
  if (std::optional<std::string> command = bundledCommand(name)) return *command;
  return name;
}

std::vector<std::string> bundledCodecNames() {
  std::vector<std::string> names = bundledPluginNames();
  for (std::string& name : bundledCommandNames()) names.push_back(std::move(name));
  std::sort(names.begin(), names.end());
  return names;
}

std::string withLocalFileHint(std::string reason, const std::string& name) {
  std::error_code error;
  if (isCodecCommand(name) || !isBareName(name) || fs::is_regular_file(bundledPath(name), error) ||
      !fs::exists(name, error)) {
    return reason;
  }
  // Only the plug-in whose load failed gets the hint.
  if (reason.find(name) == std::string::npos) return reason;
  return reason + ". No bundled plug-in is named \"" + name + "\"; ./" + name + " loads the file of that name in this folder";
}

}  // namespace orvelle::engine
