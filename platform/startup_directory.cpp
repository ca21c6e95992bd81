#include "platform/startup_directory.h"

#include <filesystem>
#include <system_error>

namespace orvelle::platform {

namespace {
std::string& storedDirectory() {
  static std::string directory;
  return directory;
}
}  // namespace

const std::string& startupDirectory() { return storedDirectory(); }

void setStartupDirectory(std::string directory) {
  if (!directory.empty() && directory.back() != '/') directory.push_back('/');
  storedDirectory() = std::move(directory);
}

std::string currentDirectoryWithSeparator() {
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  if (error) return {};
  std::string text = current.string();
  if (text.empty() || text.back() != '/') text.push_back('/');
  return text;
}

}  // namespace orvelle::platform
