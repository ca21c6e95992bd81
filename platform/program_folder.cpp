#include "platform/program_folder.h"

#include <mutex>
#include <system_error>

namespace orvelle::platform {

namespace {

std::mutex folderMutex;
std::filesystem::path namedFolder;

}  // namespace

std::filesystem::path programFolder() {
  {
    std::lock_guard lock(folderMutex);
    if (!namedFolder.empty()) return namedFolder;
  }
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

void setProgramFolder(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  namedFolder = folder;
}

}  // namespace orvelle::platform
