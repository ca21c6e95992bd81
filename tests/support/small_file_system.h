#pragma once

#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace orvelle::test {

// A 1 MiB file system of its own, mounted on a folder inside a scratch
// directory and unmounted when the test ends, so that a test can run a
// disk out of space without touching any real one. Mounting needs root
// (CI has it); mounted() says whether it worked and whyNot() why not.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const ScratchDirectory& scratch) : path_(scratch.file("small-disk")) {
    std::filesystem::create_directory(path_);
    if (::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m,mode=0755") == 0) {
      mounted_ = true;
    } else {
      whyNot_ = std::string("cannot mount a 1 MiB tmpfs for the test: ") + std::strerror(errno);
    }
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& whyNot() const { return whyNot_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Takes every byte still free, so that the next write of any size fails.
  void fill() const {
    std::ofstream filler(file("filler"), std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) filler.flush();
  }

  // The names in the file system, sorted; a temporary file left behind shows here.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  std::string path_;
  bool mounted_ = false;
  std::string whyNot_;
};

}  // namespace orvelle::test
