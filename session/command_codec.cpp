#include "session/command_codec.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "audio_io/voice_file_reader.h"
#include "audio_io/voice_file_writer.h"
#include "platform/child_process.h"
#include "platform/install_layout.h"
#include "platform/temporary_folder.h"
#include "plugin_host/host_protocol.h"
#include "session/plugin_memory_limit.h"

namespace orvelle {

namespace {

// How often a waiting run passes the command's output on and looks at its
// limits.
constexpr int kWaitTickMs = 10;
// What of the command's stderr is kept for a failure's reason.
constexpr std::size_t kTailBytes = 4096;
constexpr int kTailLines = 3;

std::string commandHost() { return platform::installLayout().commandHost.string(); }

bool writeRawSamples(const std::string& path, const std::int16_t* samples, std::int32_t count, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  const char* bytes = reinterpret_cast<const char*>(samples);
  std::size_t left = static_cast<std::size_t>(count) * sizeof(std::int16_t);
  while (fd >= 0 && left > 0) {
    const ssize_t written = ::write(fd, bytes, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    bytes += written;
    left -= static_cast<std::size_t>(written);
  }
  const int writeError = errno;
  if (fd >= 0) ::close(fd);
  if (fd >= 0 && left == 0) return true;
  *error = "the command's input " + path + " cannot be written: " + std::strerror(writeError);
  return false;
}

// The command's stdout and stderr: passed on to our stderr as they come,
// the end of it kept for a failure's reason.
class CommandOutput {
 public:
  explicit CommandOutput(int fd) : fd_(fd) {}
  ~CommandOutput() { ::close(fd_); }
  CommandOutput(const CommandOutput&) = delete;
  CommandOutput& operator=(const CommandOutput&) = delete;

  int fd() const { return fd_; }

  // Takes what is there to read without waiting; false once it has all
  // been read.
  bool take() {
    char block[4096];
    for (;;) {
      const ssize_t got = ::read(fd_, block, sizeof block);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return got < 0 && errno == EAGAIN;
      passOn(block, static_cast<std::size_t>(got));
    }
  }

  // "; its last lines on stderr: ... | ...", or nothing when it wrote none.
  std::string lastLines() const {
    std::string text = tail_;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::string lines;
    int taken = 0;
    while (!text.empty() && taken < kTailLines) {
      const std::size_t start = text.rfind('\n');
      const std::string line = text.substr(start == std::string::npos ? 0 : start + 1);
      text.erase(start == std::string::npos ? 0 : start);
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      lines = line + (lines.empty() ? "" : " | ") + lines;
      ++taken;
    }
    return lines.empty() ? std::string() : "; its last lines on stderr: " + lines;
  }

 private:
  void passOn(const char* bytes, std::size_t size) {
    for (std::size_t sent = 0; sent < size;) {
      const ssize_t written = ::write(STDERR_FILENO, bytes + sent, size - sent);
      if (written <= 0 && errno != EINTR) break;
      if (written > 0) sent += static_cast<std::size_t>(written);
    }
    // Control characters stay out of the reason: it is shown on terminals.
    for (std::size_t i = 0; i < size; ++i) {
      const unsigned char c = static_cast<unsigned char>(bytes[i]);
      tail_ += c == '\n' || c >= 0x20 ? static_cast<char>(c) : ' ';
    }
    if (tail_.size() > kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
  }

  int fd_;
  std::string tail_;
};

}  // namespace

std::string outputFitNote(const OutputFit& fit) {
  if (fit.padded() == 0 && fit.cut() == 0) return {};
  const std::string input = " its input (" + std::to_string(fit.expected) + " samples); ";
  return fit.padded() > 0
             ? "The command's output was " + std::to_string(fit.padded()) + " samples shorter than" + input +
                   "padded with silence"
             : "The command's output was " + std::to_string(fit.cut()) + " samples longer than" + input +
                   "cut to its length";
}

bool CommandCodec::fail(HostedPlugin::Fault fault, const std::string& why, std::string* error) {
  lastFault_ = fault;
  *error = name_ + ": " + why;
  return false;
}

bool CommandCodec::run(const PluginCallControl& control, const SampleBuffer& input, const SampleBuffer& output,
                       std::int32_t count, ProgressCounter* frames, long frameTotal, std::string* error) {
  using Fault = HostedPlugin::Fault;
  lastFault_ = Fault::none;
  lastFit_ = {};
  std::string reason;
  platform::TemporaryFolder folder;
  if (!folder.create("orvelle-cmd-", &reason)) return fail(Fault::refused, reason, error);
  const CommandFiles files = commandFilesIn(folder.path());
  if (command_.rawInput && !writeRawSamples(files.rawInput, input.get(), count, &reason)) {
    return fail(Fault::refused, reason, error);
  }
  if (command_.wavInput && !writeVoiceFile(files.wavInput, input.get(), count, &reason)) {
    return fail(Fault::refused, reason, error);
  }

  int pipe[2] = {-1, -1};
  if (::pipe2(pipe, O_CLOEXEC) != 0) return fail(Fault::refused, "cannot be started: out of system resources", error);
  ::fcntl(pipe[0], F_SETFL, ::fcntl(pipe[0], F_GETFL) | O_NONBLOCK);
  CommandOutput said(pipe[0]);
  const std::int64_t bufferBytes =
      static_cast<std::int64_t>(input.memory().bytes()) + static_cast<std::int64_t>(output.memory().bytes());
  const std::int64_t memoryLimit = memoryLimitFor(&control, bufferBytes);
  platform::ChildProcess host;
  const bool started =
      host.start(commandHost(), {folder.path(), std::to_string(memoryLimit), commandLineFor(command_, files)}, -1,
                 pipe[1], &reason);
  ::close(pipe[1]);
  if (!started) return fail(Fault::refused, reason, error);

  const auto begun = std::chrono::steady_clock::now();
  const int timeout = control.timeoutSeconds();
  bool open = true;
  for (;;) {
    const platform::ChildProcess::Wake wake = host.waitReadableOrEnd(open ? said.fd() : -1, kWaitTickMs);
    if (wake == platform::ChildProcess::Wake::readable) open = said.take();
    if (wake == platform::ChildProcess::Wake::ended) break;
    const bool stopped = control.stopRequested();
    if (stopped || (timeout > 0 && std::chrono::steady_clock::now() - begun >= std::chrono::seconds(timeout))) {
      host.kill();
      said.take();
      return stopped ? fail(Fault::stopped, "stopped by the user", error)
                     : fail(Fault::timedOut, "the command did not finish within " + std::to_string(timeout) + " s" +
                                                 said.lastLines(),
                            error);
    }
  }
  // Ended: reaped at once, and all it said is in the pipe.
  host.waitForExit(0);
  said.take();
  if (host.endedBySignal()) {
    return fail(Fault::crashed, "the command was ended by " + platform::describeSignal(host.endSignal()) +
                                    said.lastLines(), error);
  }
  if (host.exitStatus() != 0) {
    const std::string limit = control.memoryLimitBytes() > 0
                                  ? " (each of its processes may take " + memoryText(memoryLimit) + " of memory)"
                                  : "";
    return fail(Fault::exited,
                "the command failed with exit status " + std::to_string(host.exitStatus()) + limit + said.lastLines(),
                error);
  }
  if (!takeOutput(command_.wavOutput ? files.wavOutput : files.rawOutput, output, count, said.lastLines(), error)) {
    return false;
  }
  frames->store(frameTotal);
  return true;
}

bool CommandCodec::takeOutput(const std::string& path, const SampleBuffer& output, std::int32_t count,
                              const std::string& said, std::string* error) {
  using Fault = HostedPlugin::Fault;
  const char* wanted = command_.wavOutput ? "{out.wav}" : "{out}";
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) {
    return fail(Fault::refused, std::string("the command wrote no output to ") + wanted + said, error);
  }
  OpenVoiceFile voice;
  std::string reason;
  if (!openVoiceFile(path.c_str(), "", 0, voice, reason, OtherFormats::refuse)) {
    return fail(Fault::refused, std::string("its output in ") + wanted + " cannot be used: " + reason + said, error);
  }
  if (command_.wavOutput && !voice.sound) {
    return fail(Fault::refused, "its output in {out.wav} is not a WAV file (nor another sound file)" + said, error);
  }
  if (!command_.wavOutput && voice.sound) {
    return fail(Fault::refused,
                "its output in {out} is a sound file (" + voice.sound->shortDescription() +
                    "), not headerless 16-bit samples; name it {out.wav} to have it read as one" + said,
                error);
  }
  if (!command_.wavOutput && voice.bytes % 2 != 0) {
    return fail(Fault::refused,
                "its output in {out} holds an odd number of bytes (" + std::to_string(voice.bytes) +
                    "), not whole 16-bit samples" + said,
                error);
  }
  const std::int64_t given = voice.bytes / 2;
  if (given == 0) return fail(Fault::refused, std::string("its output in ") + wanted + " is empty" + said, error);
  const auto taken = static_cast<std::int32_t>(std::min<std::int64_t>(given, count));
  if (!readVoiceSamples(voice, path.c_str(), "", output.get(), taken, reason)) {
    return fail(Fault::refused, std::string("its output in ") + wanted + " cannot be read: " + reason + said, error);
  }
  std::fill(output.get() + taken, output.get() + count, std::int16_t{0});
  lastFit_ = {given, count};
  return true;
}

}  // namespace orvelle
