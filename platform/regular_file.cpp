#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_kind.h"

namespace orvelle::platform {

RegularFileOpening openRegularFile(const char* path) {
  RegularFileOpening opening;
  // Without O_NONBLOCK, opening a FIFO waits for a writer and some devices
  // wait for a carrier; O_NOCTTY keeps a terminal from becoming ours.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    opening.error = errno;
    return opening;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    opening.error = errno;
    ::close(fd);
    return opening;
  }
  if (!S_ISREG(status.st_mode)) {
    opening.kind = fileKindName(status.st_mode);
    ::close(fd);
    return opening;
  }
  // Reads of a regular file never block; the flag is dropped all the same so
  // that the stream behaves as an ordinary one.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  opening.file.reset(::fdopen(fd, "rb"));
  if (!opening.file) {
    opening.error = errno;
    ::close(fd);
  }
  return opening;
}

}  // namespace orvelle::platform
