#pragma once

#include <sys/wait.h>

namespace orvelle::test {

// Whether this process has any child left, running or ended and unreaped.
inline bool hasChildProcesses() { return waitpid(-1, nullptr, WNOHANG) != -1; }

}  // namespace orvelle::test
