#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace orvelle::test {

// Whether this process has any child left, running or ended and unreaped.
inline bool hasChildProcesses() { return waitpid(-1, nullptr, WNOHANG) != -1; }

// The command line of the process at `entry` in /proc; empty for one that
// ended while it was read, which the stream reports by throwing.
inline std::string commandLineAt(const std::filesystem::path& entry) {
  try {
    return readWholeFile(entry.string() + "/cmdline");
  } catch (const std::exception&) {
    return {};
  }
}

// The running processes with `text` in their command line, wherever they
// are: also those that left our process tree. A plug-in run from a copy in
// a scratch folder is told apart from every other test's by that folder.
inline std::vector<pid_t> processesMentioning(const std::string& text) {
  std::vector<pid_t> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (commandLineAt(entry.path()).find(text) != std::string::npos) {
      found.push_back(static_cast<pid_t>(std::stol(name)));
    }
  }
  return found;
}

inline bool anyProcessMentions(const std::string& text) { return !processesMentioning(text).empty(); }

// Whether the process called setsid(): it leads a session of its own.
inline bool leadsItsSession(pid_t pid) { return getsid(pid) == pid; }

}  // namespace orvelle::test
