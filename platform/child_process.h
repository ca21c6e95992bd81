#pragma once

#include <string>
#include <sys/types.h>

namespace orvelle::platform {

// A helper program of ours run as a child: started with posix_spawn (never a
// fork of a threaded program), its stdout and stderr both sent to our stderr
// so that nothing it prints can land in our results, and `channelFd` handed to
// it as its descriptor 3. Always reaped: ending the value kills the child if
// it still runs and waits for it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool start(const std::string& program, const std::string& argument, int channelFd, std::string* error);
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Waits up to `milliseconds` for the child to end on its own; true (and the
  // child reaped) if it did.
  bool waitForExit(int milliseconds);
  // Ends the child by force if it still runs, and reaps it.
  void kill();

  // How the child ended, once it has.
  bool endedBySignal() const { return endedBySignal_; }
  int endSignal() const { return endSignal_; }
  int exitStatus() const { return exitStatus_; }

 private:
  void record(int status);

  pid_t pid_ = -1;
  bool endedBySignal_ = false;
  int endSignal_ = 0;
  int exitStatus_ = 0;
};

// "SIGSEGV (invalid memory access)" for the signals a faulty library raises;
// the number for others.
std::string describeSignal(int signal);

// The program `name` beside the running program, or `fallback` when there is
// none there; never searched for in PATH.
std::string siblingProgram(const std::string& name, const std::string& fallback);

}  // namespace orvelle::platform
