#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/scratch_directory.h"

namespace orvelle::test {

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a shell command line in `directory`, capturing its output streams.
// `stdoutRedirection` (">/dev/full", ">&-") sends the standard output
// elsewhere instead; `out` then stays empty.
inline CommandResult runCommand(const std::string& commandLine, const ScratchDirectory& directory,
                                const std::string& stdoutRedirection = "") {
  const std::string out = directory.file(".stdout");
  const std::string err = directory.file(".stderr");
  std::remove(out.c_str());
  const std::string toOut = stdoutRedirection.empty() ? " >'" + out + "'" : " " + stdoutRedirection;
  const std::string full = "cd '" + directory.path().string() + "' && " + commandLine + toOut + " 2>'" + err + "'";
  const int status = std::system(full.c_str());
  CommandResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readWholeFile(out);
  result.err = readWholeFile(err);
  return result;
}

}  // namespace orvelle::test
