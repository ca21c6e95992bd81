#include "platform/child_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/threads.h"

extern char** environ;

namespace orvelle::platform {

namespace {
constexpr int kChildChannelFd = 3;
constexpr int kExitPollMs = 1;
}  // namespace

bool ChildProcess::start(const std::string& program, const std::string& argument, int channelFd,
                         std::string* error) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, channelFd, kChildChannelFd);
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
  pid_t pid = -1;
  const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    if (error) *error = program + ": cannot be started: " + std::strerror(result);
    return false;
  }
  pid_ = pid;
  endedBySignal_ = false;
  endSignal_ = 0;
  exitStatus_ = 0;
  return true;
}

void ChildProcess::record(int status) {
  endedBySignal_ = WIFSIGNALED(status);
  endSignal_ = endedBySignal_ ? WTERMSIG(status) : 0;
  exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
  pid_ = -1;
}

bool ChildProcess::waitForExit(int milliseconds) {
  if (pid_ <= 0) return true;
  for (int waited = 0;; waited += kExitPollMs) {
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, WNOHANG);
    if (ended == pid_) {
      record(status);
      return true;
    }
    if (ended < 0 && errno != EINTR) {
      pid_ = -1;
      return true;
    }
    if (waited >= milliseconds) return false;
    sleepMilliseconds(kExitPollMs);
  }
}

void ChildProcess::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  record(status);
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
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path beside = self.parent_path() / name;
    if (access(beside.c_str(), X_OK) == 0) return beside.string();
  }
  return fallback;
}

}  // namespace orvelle::platform
