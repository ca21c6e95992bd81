#include "platform/temporary_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/termination.h"

namespace orvelle::platform {

bool TemporaryFolder::create(const std::string& prefix, std::string* error) {
  remove();
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + "XXXXXX";
  if (!createTemporaryFolder(pattern)) {
    if (error) *error = "no temporary folder can be made in " + pattern.substr(0, pattern.rfind('/')) + ": " +
                        std::strerror(errno);
    return false;
  }
  path_ = pattern;
  return true;
}

void TemporaryFolder::remove() {
  if (path_.empty()) return;
  removeTemporaryFolder(path_);
  path_.clear();
}

}  // namespace orvelle::platform
