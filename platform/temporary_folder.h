#pragma once

#include <string>

namespace orvelle::platform {

// A fresh folder of our own under $TMPDIR (or /tmp), removed with all it
// holds when the value ends, and also at a signal or an exit that comes
// first (platform/termination.h).
class TemporaryFolder {
 public:
  TemporaryFolder() = default;
  ~TemporaryFolder() { remove(); }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // False with a reason when no folder could be made.
  bool create(const std::string& prefix, std::string* error);
  void remove();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace orvelle::platform
