#include "platform/termination.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/threads.h"

namespace orvelle::platform {

namespace {

// A process told to end gets this long to end what it started (a host ends
// its plug-in's processes first) before its whole group is killed.
constexpr int kEndGraceMs = 3000;
// A writer blocked on a reader that stopped reading keeps the standard
// output this long at most; the program ends without it then.
constexpr int kOutputWaitMs = 2000;
constexpr int kPollMs = 5;

struct Process {
  pid_t pid;
  int pidfd;
};

struct Record {
  std::mutex mutex;
  std::vector<Process> processes;
  std::vector<std::string> temporaries;
  std::vector<std::string> folders;
};

// Never destroyed: a signal taken while the program runs its exit handlers
// must still find it.
Record& theRecord() {
  static Record* const record = new Record;
  return *record;
}

bool hasEnded(const Process& process) { return processHasEnded(process.pid, process.pidfd); }

// The record must be held.
void endProcesses(const Record& record) {
  // Asked first, not killed: a host ends every process its plug-in started,
  // even those that left its process group, before it ends itself.
  for (const Process& process : record.processes) ::kill(process.pid, SIGTERM);
  for (int waited = 0;; waited += kPollMs) {
    const bool allEnded = std::all_of(record.processes.begin(), record.processes.end(), hasEnded);
    if (allEnded) return;
    if (waited >= kEndGraceMs) break;
    sleepMilliseconds(kPollMs);
  }
  for (const Process& process : record.processes) {
    if (hasEnded(process)) continue;
    ::kill(-process.pid, SIGKILL);
    ::kill(process.pid, SIGKILL);
  }
}

void forgetTemporary(Record& record, const std::string& path) {
  auto found = std::find(record.temporaries.begin(), record.temporaries.end(), path);
  if (found != record.temporaries.end()) record.temporaries.erase(found);
}

void removeTemporaries(Record& record) {
  for (const std::string& path : record.temporaries) ::unlink(path.c_str());
  record.temporaries.clear();
  for (const std::string& path : record.folders) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  record.folders.clear();
}

// The writer of a line holds the stream's lock for the whole of its write;
// taking it means no line is being written, at most one's end still waits
// in the buffer.
bool holdStandardOutput() {
  for (int waited = 0;; waited += kPollMs) {
    if (ftrylockfile(stdout) == 0) return true;
    if (waited >= kOutputWaitMs) return false;
    sleepMilliseconds(kPollMs);
  }
}

[[noreturn]] void endBySignal(int signal) {
  const bool outputHeld = holdStandardOutput();
  Record& record = theRecord();
  // Never let go: nothing may be started or created from here on.
  record.mutex.lock();
  endProcesses(record);
  removeTemporaries(record);
  if (outputHeld) std::fflush(stdout);
  _exit(128 + signal);
}

void endAtExit() { endStartedWork(); }

}  // namespace

void handleTerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  try {
    std::thread([signals] {
      // A reader gone from the standard output must not end us by SIGPIPE
      // before the clean-up is done.
      sigset_t pipe;
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
      int taken = 0;
      while (sigwait(&signals, &taken) != 0) {
      }
      endBySignal(taken);
    }).detach();
  } catch (const std::system_error&) {
    // Without the thread nobody would take them; they end the program as
    // they would have, with the hosts ended by their lifelines.
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
  }
  std::atexit(endAtExit);
}

void endStartedWork() {
  Record& record = theRecord();
  std::lock_guard lock(record.mutex);
  if (!record.processes.empty()) endProcesses(record);
  removeTemporaries(record);
}

std::unique_lock<std::mutex> lockRecord() { return std::unique_lock(theRecord().mutex); }

void recordProcess(pid_t pid, int pidfd) { theRecord().processes.push_back({pid, pidfd}); }

void forgetProcess(pid_t pid) {
  std::vector<Process>& processes = theRecord().processes;
  processes.erase(std::remove_if(processes.begin(), processes.end(),
                                 [pid](const Process& process) { return process.pid == pid; }),
                  processes.end());
}

int createTemporary(const std::string& path, int flags, mode_t mode) {
  Record& record = theRecord();
  std::lock_guard lock(record.mutex);
  const int fd = ::open(path.c_str(), flags, mode);
  if (fd >= 0) record.temporaries.push_back(path);
  return fd;
}

int renameTemporary(const std::string& path, const std::string& target) {
  Record& record = theRecord();
  std::lock_guard lock(record.mutex);
  const int result = ::rename(path.c_str(), target.c_str());
  const int error = errno;
  // A file that could not be renamed is still there, and still recorded.
  if (result == 0) forgetTemporary(record, path);
  errno = error;
  return result;
}

void removeTemporary(const std::string& path) {
  Record& record = theRecord();
  std::lock_guard lock(record.mutex);
  ::unlink(path.c_str());
  forgetTemporary(record, path);
}

bool createTemporaryFolder(std::string& pattern) {
  Record& record = theRecord();
  std::lock_guard lock(record.mutex);
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  record.folders.push_back(pattern);
  return true;
}

void removeTemporaryFolder(const std::string& path) {
  Record& record = theRecord();
  std::lock_guard lock(record.mutex);
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
  auto found = std::find(record.folders.begin(), record.folders.end(), path);
  if (found != record.folders.end()) record.folders.erase(found);
}

}  // namespace orvelle::platform
