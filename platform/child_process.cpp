#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/program_folder.h"
#include "platform/termination.h"
#include "platform/threads.h"

extern char** environ;

namespace orvelle::platform {

namespace {
// Above every number the child is given, so that handing one descriptor out
// as 3 or 4 can never overwrite another before it is handed out.
constexpr int kFirstSpareFd = ChildProcess::kLifelineFd + 1;
constexpr int kExitPollMs = 1;
// A host whose lifeline closed ends every process it started, then itself.
constexpr int kEndGraceMs = 3000;

// -1 where the kernel has none (before Linux 5.3); the child's end is then
// looked for with waitid.
int openPidfd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

void closeIfOpen(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}
}  // namespace

bool ChildProcess::start(const std::string& program, const std::string& argument, int channelFd,
                         std::string* error) {
  kill();
  int lifeline[2] = {-1, -1};
  if (pipe2(lifeline, O_CLOEXEC) != 0) {
    if (error) *error = program + ": cannot be started: " + std::strerror(errno);
    return false;
  }
  int channel = fcntl(channelFd, F_DUPFD_CLOEXEC, kFirstSpareFd);
  int lifelineEnd = fcntl(lifeline[0], F_DUPFD_CLOEXEC, kFirstSpareFd);
  const int dupError = errno;
  ::close(lifeline[0]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, channel, kChannelFd);
  posix_spawn_file_actions_adddup2(&actions, lifelineEnd, kLifelineFd);
  // Our blocked signals (the termination thread takes them) and ignored
  // ones are not the child's.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD, SIGTTIN, SIGTTOU}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &noSignals);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  // A group of its own: a terminal's Ctrl-C reaches us alone, and ending the
  // group ends whatever the child started that stayed in it.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
  pid_t pid = -1;
  int result = dupError;
  if (channel >= 0 && lifelineEnd >= 0) {
    const std::unique_lock record = lockRecord();
    result = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    if (result == 0) {
      pidfd_ = openPidfd(pid);
      recordProcess(pid, pidfd_);
    }
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  closeIfOpen(channel);
  closeIfOpen(lifelineEnd);
  if (result != 0) {
    ::close(lifeline[1]);
    if (error) *error = program + ": cannot be started: " + std::strerror(result);
    return false;
  }
  pid_ = pid;
  lifeline_ = lifeline[1];
  endedBySignal_ = false;
  endSignal_ = 0;
  exitStatus_ = 0;
  return true;
}

bool processHasEnded(pid_t pid, int pidfd) {
  if (pidfd >= 0) {
    pollfd ended{pidfd, POLLIN, 0};
    return poll(&ended, 1, 0) > 0;
  }
  siginfo_t info{};
  // Not reaped here: its owner reaps it and learns how it ended.
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == pid;
}

bool ChildProcess::hasEnded() const { return processHasEnded(pid_, pidfd_); }

ChildProcess::Wake ChildProcess::waitReadableOrEnd(int fd, int milliseconds) const {
  if (pid_ <= 0) return Wake::ended;
  pollfd watched[2] = {{fd, POLLIN, 0}, {pidfd_, POLLIN, 0}};
  const int ready = poll(watched, pidfd_ >= 0 ? 2 : 1, milliseconds);
  if (ready > 0 && watched[0].revents != 0) return Wake::readable;
  if (pidfd_ >= 0 ? ready > 0 && watched[1].revents != 0 : hasEnded()) return Wake::ended;
  return Wake::neither;
}

bool ChildProcess::reap(bool wait) {
  if (!wait && !hasEnded()) return false;
  {
    // Forgotten before it is reaped: until then its id cannot be taken by
    // another process, so the clean-up at a signal never ends a stranger.
    const std::unique_lock record = lockRecord();
    forgetProcess(pid_);
  }
  int status = 0;
  pid_t ended = -1;
  do {
    ended = waitpid(pid_, &status, 0);
  } while (ended < 0 && errno == EINTR);
  if (ended == pid_) {
    endedBySignal_ = WIFSIGNALED(status);
    endSignal_ = endedBySignal_ ? WTERMSIG(status) : 0;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
  }
  pid_ = -1;
  closeHandles();
  return true;
}

void ChildProcess::closeHandles() {
  closeIfOpen(pidfd_);
  closeIfOpen(lifeline_);
}

bool ChildProcess::waitForExit(int milliseconds) {
  if (pid_ <= 0) return true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (reap(false)) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    if (pidfd_ >= 0) {
      pollfd ended{pidfd_, POLLIN, 0};
      poll(&ended, 1, static_cast<int>(left));
    } else {
      sleepMilliseconds(std::min(kExitPollMs, static_cast<int>(left)));
    }
  }
}

void ChildProcess::kill() {
  if (pid_ <= 0) return;
  closeIfOpen(lifeline_);
  if (waitForExit(kEndGraceMs)) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  reap(true);
}

std::string describeSignal(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (invalid memory access)";
    case SIGABRT: return "SIGABRT (abort() was called)";
    case SIGFPE: return "SIGFPE (arithmetic fault)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGKILL: return "SIGKILL (killed)";
    case SIGTERM: return "SIGTERM (terminated)";
    default: return "signal " + std::to_string(signal);
  }
}

std::string siblingProgram(const std::string& name, const std::string& fallback) {
  const std::filesystem::path folder = programFolder();
  if (!folder.empty()) {
    const std::filesystem::path beside = folder / name;
    if (access(beside.c_str(), X_OK) == 0) return beside.string();
  }
  return fallback;
}

}  // namespace orvelle::platform
