#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>

namespace orvelle::platform {

// What the program has started that must not outlive it: the helper
// processes (ChildProcess), the hidden temporary files of the outputs
// being written (AtomicOutputFile) and the temporary folders of running
// commands (TemporaryFolder). Both record themselves here, so that an
// end by a signal, or any other exit, can end the one and remove the other.

// Makes SIGINT, SIGTERM and SIGHUP end the program the same clean way: every
// recorded process is ended with all it started, every pending temporary
// file removed, the standard output keeps only whole lines, and the program
// exits with 128 + the signal (130, 143, 129). The signals are taken by a
// thread of their own (nothing runs in signal context), so this must be
// called before the program starts any other thread: they inherit the
// blocked signals. Also cleans up the same way when the program exits while
// something is still recorded.
void handleTerminationSignals();

// Ends every recorded process and removes every pending temporary file now;
// the program goes on.
void endStartedWork();

// The record. Starting a process and recording it, or forgetting one and
// reaping it, happens under `lockRecord()`, so that the clean-up sees each
// process either not yet started or recorded and never a reused id.
[[nodiscard]] std::unique_lock<std::mutex> lockRecord();
// `pidfd` may be -1 where the system has none.
void recordProcess(pid_t pid, int pidfd);
void forgetProcess(pid_t pid);

// Temporary files, each created, renamed or removed together with its record.
// createTemporary returns the descriptor (open(2)'s flags and mode) or -1
// with errno set; renameTemporary returns rename(2)'s result, errno set.
int createTemporary(const std::string& path, int flags, mode_t mode);
int renameTemporary(const std::string& path, const std::string& target);
void removeTemporary(const std::string& path);

// Temporary folders, removed with all they hold; removed at a signal only
// after every recorded process has ended, so nothing writes into them then.
// createTemporaryFolder fills in `pattern` as mkdtemp(3) does; false with
// errno set when it could not.
bool createTemporaryFolder(std::string& pattern);
void removeTemporaryFolder(const std::string& path);

}  // namespace orvelle::platform
