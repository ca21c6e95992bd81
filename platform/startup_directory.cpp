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
  // The separator is appended whatever the directory ends with: started in
  // the root, the program records "//".
  return current.string() + '/';
}

}  // namespace orvelle::platform
