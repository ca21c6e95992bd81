#pragma once

#include <string>
#include <sys/types.h>

namespace orvelle::platform {

// A helper program of ours run as a child: started with posix_spawn (never a
// fork of a threaded program), in a process group of its own, with default
// signal handling, its standard input from /dev/null and its stdout and
// stderr both sent to our stderr, so that nothing it prints can land in our
// results. `channelFd` is handed to it as its descriptor 3 (kChannelFd) and
// the read end of a lifeline pipe as its descriptor 4 (kLifelineFd): only we hold the
// write end, so the lifeline closes when we end it or when we end in any
// way at all. Recorded with the termination record (platform/termination.h)
// while it runs. Always reaped: ending the value ends the child if it still
// runs and waits for it.
class ChildProcess {
 public:
  static constexpr int kChannelFd = 3;
  static constexpr int kLifelineFd = 4;

  ChildProcess() = default;
  ~ChildProcess() { kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool start(const std::string& program, const std::string& argument, int channelFd, std::string* error);
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Waits up to `milliseconds` for `fd` to become readable or for the child
  // to end, whichever comes first. The end is seen from the child's exit, not
  // from a descriptor closing: another process may hold `fd` open.
  enum class Wake { readable, ended, neither };
  Wake waitReadableOrEnd(int fd, int milliseconds) const;

  // Waits up to `milliseconds` for the child to end on its own; true (and the
  // child reaped) if it did.
  bool waitForExit(int milliseconds);
  // Ends the child if it still runs, and reaps it: the lifeline is closed,
  // which a host answers by ending all its processes and itself; one that
  // does not has its process group killed.
  void kill();

  // How the child ended, once it has.
  bool endedBySignal() const { return endedBySignal_; }
  int endSignal() const { return endSignal_; }
  int exitStatus() const { return exitStatus_; }

 private:
  bool hasEnded() const;
  bool reap(bool wait);
  void closeHandles();

  pid_t pid_ = -1;
  int pidfd_ = -1;
  int lifeline_ = -1;
  bool endedBySignal_ = false;
  int endSignal_ = 0;
  int exitStatus_ = 0;
};

// Whether our child `pid` has ended (without reaping it), seen from its
// `pidfd` where there is one (else -1).
bool processHasEnded(pid_t pid, int pidfd);

// "SIGSEGV (invalid memory access)" for the signals a faulty library raises;
// the number for others.
std::string describeSignal(int signal);

// The program `name` in the program folder (programFolder), or `fallback` when there is
// none there; never searched for in PATH.
std::string siblingProgram(const std::string& name, const std::string& fallback);

}  // namespace orvelle::platform
