#include "platform/process_warden.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/child_process.h"
#include "platform/threads.h"

namespace orvelle::platform {

namespace {

// A process that SIGKILL has not ended within this is stuck in the kernel;
// the warden ends without waiting for it any longer.
constexpr int kEndDescendantsMs = 2000;
// What the worker left in the pipe is passed on for this long at most once
// it has ended.
constexpr int kDrainMs = 1000;
// No more than a pipe that polls writable takes without blocking.
constexpr std::size_t kRelayBytes = PIPE_BUF;

using Clock = std::chrono::steady_clock;

// The lifeline if we were given one: the read end of a pipe.
int lifeline() {
  struct stat info {};
  if (fstat(ChildProcess::kLifelineFd, &info) != 0 || !S_ISFIFO(info.st_mode)) return -1;
  return ChildProcess::kLifelineFd;
}

// Every process whose parent is `parent`, from /proc. A fork of the worker
// may leave its process group and session, but not its parent chain, and
// whatever is orphaned on it comes to us, its subreaper.
std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> children;
  DIR* processes = opendir("/proc");
  if (!processes) return children;
  while (const dirent* entry = readdir(processes)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char line[256];
    const ssize_t got = read(fd, line, sizeof line - 1);
    close(fd);
    if (got <= 0) continue;
    line[got] = '\0';
    // "pid (name) state ppid ...", and the name may hold a ')'.
    const char* nameEnd = std::strrchr(line, ')');
    char state = 0;
    long ppid = 0;
    if (nameEnd && std::sscanf(nameEnd + 1, " %c %ld", &state, &ppid) == 2 && ppid == parent) {
      children.push_back(static_cast<pid_t>(pid));
    }
  }
  closedir(processes);
  return children;
}

// `fd` moved above the descriptors a helper is handed (the channel, the
// lifeline): one started without a channel has descriptor 3 free, and the
// warden, which closes the channel, would close its own descriptor there.
int aboveHandedOut(int fd) {
  if (fd < 0 || fd > ChildProcess::kLifelineFd) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, ChildProcess::kLifelineFd + 1);
  close(fd);
  return moved;
}

class Warden {
 public:
  Warden(pid_t worker, int relay, int signals) : worker_(worker), relay_(relay), signals_(signals) {}

  [[noreturn]] void run() {
    while (!workerEnded_ && !ending_) pump(-1);
    // Closed for good by now, or no longer of interest: either way it would
    // only wake every round that follows.
    lifeline_ = -1;
    endDescendants();
    const auto drainEnd = Clock::now() + std::chrono::milliseconds(kDrainMs);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(drainEnd - Clock::now()).count();
      if ((relay_ < 0 && held_ == sent_) || left <= 0) break;
      pump(static_cast<int>(left));
    }
    endAsTheWorkerEnded();
  }

 private:
  // One round: waits up to `milliseconds` (-1: for ever) for a signal, the
  // lifeline, output to pass on or room to pass it on, and acts on them.
  void pump(int milliseconds) {
    const bool empty = held_ == sent_;
    pollfd watched[4] = {{signals_, POLLIN, 0},
                         {lifeline_, POLLIN, 0},
                         {empty ? relay_ : -1, POLLIN, 0},
                         {empty ? -1 : STDERR_FILENO, POLLOUT, 0}};
    if (poll(watched, 4, milliseconds) < 0 && errno != EINTR) {
      ending_ = true;
      return;
    }
    if (watched[0].revents != 0) takeSignals();
    reapChildren();
    if (watched[1].revents != 0) ending_ = true;
    if (watched[2].revents != 0) readOutput();
    if (watched[3].revents != 0) writeOutput();
  }

  void takeSignals() {
    signalfd_siginfo info{};
    while (read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      if (info.ssi_signo != SIGCHLD) ending_ = true;
    }
  }

  void reapChildren() {
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(-1, &status, WNOHANG)) > 0) {
      if (ended != worker_) continue;
      workerEnded_ = true;
      workerStatus_ = status;
    }
  }

  void readOutput() {
    const ssize_t got = read(relay_, buffer_, sizeof buffer_);
    if (got > 0) {
      held_ = static_cast<std::size_t>(got);
      sent_ = passOn_ ? 0 : held_;
    } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
      close(relay_);
      relay_ = -1;
    }
  }

  void writeOutput() {
    const ssize_t written = write(STDERR_FILENO, buffer_ + sent_, held_ - sent_);
    if (written > 0) {
      sent_ += static_cast<std::size_t>(written);
    } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
      // Nobody reads our stderr any more: the rest is read and dropped.
      passOn_ = false;
      sent_ = held_;
    }
  }

  // Killed child by child: each one's own children come to us as it dies,
  // and are found in the next round.
  void endDescendants() {
    const auto giveUp = Clock::now() + std::chrono::milliseconds(kEndDescendantsMs);
    for (;;) {
      const std::vector<pid_t> children = childrenOf(getpid());
      if (children.empty() || Clock::now() >= giveUp) break;
      for (pid_t child : children) kill(child, SIGKILL);
      sleepMilliseconds(1);
      reapChildren();
    }
    reapChildren();
  }

  [[noreturn]] void endAsTheWorkerEnded() {
    if (WIFEXITED(workerStatus_)) _exit(WEXITSTATUS(workerStatus_));
    const int signal = WIFSIGNALED(workerStatus_) ? WTERMSIG(workerStatus_) : SIGKILL;
    // The worker's own fault is reported by whoever started us; a second
    // core file of it, made by us, would be litter.
    prctl(PR_SET_DUMPABLE, 0);
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
  }

  const pid_t worker_;
  int relay_;
  const int signals_;
  int lifeline_ = lifeline();
  bool workerEnded_ = false;
  bool ending_ = false;
  // A worker that could not be reaped in time is reported as killed.
  int workerStatus_ = SIGKILL;
  char buffer_[kRelayBytes];
  std::size_t held_ = 0;
  std::size_t sent_ = 0;
  bool passOn_ = true;
};

}  // namespace

bool splitOffWarden() {
  int relay[2] = {-1, -1};
  sigset_t watched;
  sigemptyset(&watched);
  for (int signal : {SIGCHLD, SIGTERM, SIGINT, SIGHUP}) sigaddset(&watched, signal);
  sigset_t previous;
  // Blocked before the fork, so that none of them is lost before the warden
  // reads them; the worker gets its mask back.
  sigprocmask(SIG_BLOCK, &watched, &previous);
  const int signals = aboveHandedOut(signalfd(-1, &watched, SFD_NONBLOCK | SFD_CLOEXEC));
  const bool piped = pipe2(relay, O_CLOEXEC) == 0;
  if (piped) {
    relay[0] = aboveHandedOut(relay[0]);
    relay[1] = aboveHandedOut(relay[1]);
  }
  // Made before the fork: orphans of the worker's processes come to the
  // warden from the first instant, not to init.
  if (signals < 0 || !piped || relay[0] < 0 || relay[1] < 0 || prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
    for (int fd : {signals, relay[0], relay[1]}) {
      if (fd >= 0) close(fd);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  const pid_t warden = getpid();
  const pid_t worker = fork();
  if (worker < 0) {
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    for (int fd : {signals, relay[0], relay[1]}) close(fd);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  if (worker == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The warden may have died before the line above took effect.
    if (getppid() != warden) _exit(1);
    dup2(relay[1], STDOUT_FILENO);
    dup2(relay[1], STDERR_FILENO);
    for (int fd : {signals, relay[0], relay[1]}) close(fd);
    if (lifeline() >= 0) close(ChildProcess::kLifelineFd);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return true;
  }
  close(relay[1]);
  close(ChildProcess::kChannelFd);
  fcntl(relay[0], F_SETFL, fcntl(relay[0], F_GETFL) | O_NONBLOCK);
  // A reader of our stderr that went away ends the passing on, not us.
  std::signal(SIGPIPE, SIG_IGN);
  Warden(worker, relay[0], signals).run();
}

}  // namespace orvelle::platform
