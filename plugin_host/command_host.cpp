// orvelle-command-host: runs one codec command line with /bin/sh in the
// folder it is given, under a memory limit, so that everything the command
// starts, even what leaves its process group or session, ends with this
// process and nothing of it outlives the run.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process_warden.h"

namespace platform = orvelle::platform;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FOLDER MEMORY-LIMIT-BYTES COMMAND\n(started by Orvelle)\n", argv[0]);
    return 2;
  }
  const char* folder = argv[1];
  char* end = nullptr;
  const unsigned long long limit = std::strtoull(argv[2], &end, 10);
  if (*argv[2] == '\0' || *end != '\0') {
    std::fprintf(stderr, "%s: malformed memory limit \"%s\"\n", argv[0], argv[2]);
    return 2;
  }
  // A crashing codec program is reported with its signal; its core file
  // would only land in a folder that is removed anyway.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  if (!platform::splitOffWarden()) {
    std::fprintf(stderr, "%s: cannot guard the command's processes: out of system resources\n", argv[0]);
    return 2;
  }
  if (chdir(folder) != 0) {
    std::fprintf(stderr, "%s: cannot enter %s: %s\n", argv[0], folder, std::strerror(errno));
    return 2;
  }
  // Each process of the command may take this much private memory, as a
  // plug-in's host may; the warden, already split off, is not limited.
  if (limit > 0) {
    const rlimit data{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    setrlimit(RLIMIT_DATA, &data);
  }
  execl("/bin/sh", "sh", "-c", argv[3], static_cast<char*>(nullptr));
  std::fprintf(stderr, "%s: /bin/sh cannot be run: %s\n", argv[0], std::strerror(errno));
  return 127;
}
