#pragma once

#include <sys/wait.h>

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
inline CommandResult runCommand(const std::string& commandLine, const ScratchDirectory& directory) {
  const std::string out = directory.file(".stdout");
  const std::string err = directory.file(".stderr");
  const std::string full = "cd '" + directory.path().string() + "' && " + commandLine + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(full.c_str());
  CommandResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readWholeFile(out);
  result.err = readWholeFile(err);
  return result;
}

}  // namespace orvelle::test
