#include "platform/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace orvelle::platform {

void reserveStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free number is the one just found closed.
    const int taken = ::open("/dev/null", O_RDONLY);
    if (taken >= 0 && taken != fd) ::close(taken);
  }
}

bool closeStandardOutput(std::string& reason) {
  // The C++ stream writes through the C one and flushes it; whichever of
  // the two meets the failure first is the one that sees its errno.
  errno = 0;
  std::cout.flush();
  int error = errno;
  const bool streamFailed = std::cout.fail();
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (error == 0) error = errno;
  const bool clean = flushed && !streamFailed && !std::ferror(stdout);
  // Closing the descriptor reports what a delayed write could not store;
  // the stream stays open, empty, for whatever runs at exit.
  errno = 0;
  const bool closed = ::close(STDOUT_FILENO) == 0;
  if (clean && closed) return true;
  if (clean || error == 0) error = errno;
  reason = std::string("cannot write the standard output: ") + (error != 0 ? std::strerror(error) : "write error");
  return false;
}

}  // namespace orvelle::platform
