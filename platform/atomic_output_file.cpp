#include "platform/atomic_output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/file_kind.h"
#include "platform/termination.h"

namespace orvelle::platform {

namespace {

// Well below NAME_MAX, leaving room for the dot and the random suffix.
constexpr std::size_t kMaximumNameInTemporary = 200;
constexpr int kNameAttempts = 100;
constexpr mode_t kCreationMode = 0666;  // less the umask, as the kernel applies it
constexpr std::size_t kPendingBytes = 64 * 1024;

std::string randomSuffix() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device device;
  std::string suffix(8, '0');
  for (char& c : suffix) c = kLetters[device() % (sizeof kLetters - 1)];
  return suffix;
}

// The folder part of `path` (with its trailing '/', or empty for the
// current folder) and a hidden name in it derived from the file's name.
std::string temporaryPathFor(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name.substr(0, kMaximumNameInTemporary) + "." + randomSuffix();
}

}  // namespace

bool AtomicOutputFile::fail(const char* action, int error) {
  failureReason_ = std::string(action) + " \"" + path_ + "\": " + std::strerror(error);
  return false;
}

bool AtomicOutputFile::open(const std::string& path) {
  discard();
  path_ = path;
  failureReason_.clear();
  writeFailed_ = false;

  bool keepMode = false;
  struct stat target {};
  if (::lstat(path.c_str(), &target) == 0) {
    struct stat destination = target;
    // A link is replaced, but one that leads to a device or a folder names
    // something that a rename would destroy.
    const bool isLink = S_ISLNK(target.st_mode);
    const bool leadsSomewhere = isLink && ::stat(path.c_str(), &destination) == 0;
    if ((!isLink || leadsSomewhere) && !S_ISREG(destination.st_mode)) {
      failureReason_ = "cannot write \"" + path + "\": it " + (isLink ? "leads to " : "is ") +
                       fileKindName(destination.st_mode);
      return false;
    }
    // Opening the file for writing would be refused; so is replacing it.
    if (!isLink && ::access(path.c_str(), W_OK) != 0) return fail("cannot write", errno);
    keepMode = !isLink;
  }

  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = temporaryPathFor(path);
    // Recorded as it is made, so that an end by a signal removes it too.
    fd_ = createTemporary(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kCreationMode);
    if (fd_ >= 0) {
      temporaryPath_ = candidate;
      break;
    }
    if (errno != EEXIST) return fail("cannot write", errno);
  }
  if (fd_ < 0) return fail("cannot write", EEXIST);
  if (keepMode && ::fchmod(fd_, target.st_mode & 07777) != 0) {
    const int error = errno;
    discard();
    return fail("cannot write", error);
  }
  return true;
}

bool AtomicOutputFile::write(const void* data, std::size_t size) {
  if (fd_ < 0 || writeFailed_) return false;
  if (pending_.size() + size <= kPendingBytes) {
    pending_.append(static_cast<const char*>(data), size);
    return true;
  }
  if (!flushPending()) return false;
  if (size >= kPendingBytes) return writeThrough(data, size);
  pending_.append(static_cast<const char*>(data), size);
  return true;
}

bool AtomicOutputFile::flushPending() {
  const bool written = writeThrough(pending_.data(), pending_.size());
  pending_.clear();
  return written;
}

bool AtomicOutputFile::writeThrough(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd_, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      writeFailed_ = true;
      return fail("cannot write", errno);
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool AtomicOutputFile::commit() {
  if (fd_ < 0) return false;
  if (!writeFailed_) flushPending();
  if (writeFailed_) {
    discard();
    return false;
  }
  // A file system that cannot sync (EINVAL) has nothing more to report.
  if (::fsync(fd_) != 0 && errno != EINVAL) {
    const int error = errno;
    discard();
    return fail("cannot finish writing", error);
  }
  const int closed = ::close(fd_);
  const int closeError = errno;
  fd_ = -1;
  if (closed != 0) {
    discard();
    return fail("cannot finish writing", closeError);
  }
  if (renameTemporary(temporaryPath_, path_) != 0) {
    const int error = errno;
    discard();
    return fail("cannot replace", error);
  }
  temporaryPath_.clear();
  return true;
}

void AtomicOutputFile::discard() {
  pending_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporaryPath_.empty()) removeTemporary(temporaryPath_);
  temporaryPath_.clear();
}

}  // namespace orvelle::platform
