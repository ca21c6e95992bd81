#pragma once

#include <cstddef>
#include <string>

namespace orvelle::platform {

// A file that appears whole or not at all. It is written beside its target,
// in the same folder under a hidden temporary name, and commit() moves it
// into place with one rename once every byte has reached the disk. Until
// then, and whenever anything fails, the target keeps what it held before
// and the temporary file is removed; several writers of one target each
// leave a whole file, the last to commit wins.
//
// A target that is a symbolic link is replaced by the new file, not
// followed, unless it leads to something other than a regular file (a
// device such as /dev/null, say), which is refused like a folder, a FIFO or
// a device named directly. A new file gets the mode an ordinary create
// would give it (0666 less the umask); a replaced one keeps its mode.
class AtomicOutputFile {
 public:
  AtomicOutputFile() = default;
  ~AtomicOutputFile() { discard(); }
  AtomicOutputFile(const AtomicOutputFile&) = delete;
  AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

  // Starts a new file for `path`, discarding one that was not committed.
  // False, with a reason, if `path` cannot be written.
  bool open(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }

  // Appends `size` bytes. They are gathered in memory and written in large
  // pieces, so a log of many short lines costs few system calls; a failure
  // to write them may therefore surface at a later write or at the commit.
  // After a failure every later write and the commit fail too, so a file
  // with a hole can never be committed.
  bool write(const void* data, std::size_t size);

  // Makes the file durable and renames it over the target. False, with a
  // reason, if any write, the flush to disk, the close or the rename failed;
  // the target is then untouched.
  bool commit();

  // Drops the temporary file; the target is untouched.
  void discard();

  // Why the last open, write or commit failed; it names the target.
  const std::string& failureReason() const { return failureReason_; }

 private:
  bool fail(const char* action, int error);
  bool writeThrough(const void* data, std::size_t size);
  bool flushPending();

  std::string path_;
  std::string temporaryPath_;
  int fd_ = -1;
  bool writeFailed_ = false;
  std::string pending_;  // written bytes not yet handed to the system
  std::string failureReason_;
};

}  // namespace orvelle::platform
