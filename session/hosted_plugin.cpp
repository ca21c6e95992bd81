#include "session/hosted_plugin.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/install_layout.h"
#include "platform/packet_channel.h"
#include "plugin_host/host_protocol.h"
#include "session/plugin_memory_limit.h"

namespace orvelle {

namespace hp = host_protocol;

namespace {

// How often a waiting call mirrors the plug-in's frame counter and looks at
// its limits; the progress window polls ten times slower.
constexpr int kWaitTickMs = 10;
// A host told to finish gets this long to unload its plug-in.
constexpr int kQuitGraceMs = 2000;

std::string hostProgram() { return platform::installLayout().pluginHost.string(); }

long sharedCount(const platform::SharedMemory& counter) {
  return std::atomic_ref<long>(*static_cast<long*>(counter.data())).load(std::memory_order_relaxed);
}

// The plug-in writes its counter as it likes; only a count it could have
// reached is progress: 0 to the frames it was given, or one more for a last,
// partial frame that a codec may code and count as well.
bool plausibleCount(long count, long frameTotal) { return count >= 0 && count - 1 <= frameTotal; }

// Progress shown keeps the last plausible count through a wild one, and
// within the frames shown.
void mirrorCount(const platform::SharedMemory& counter, ProgressCounter* frames, long frameTotal) {
  const long count = sharedCount(counter);
  if (plausibleCount(count, frameTotal)) frames->store(std::min(count, frameTotal));
}

std::string countWords(long count, long frameTotal) {
  if (plausibleCount(count, frameTotal)) {
    return " after " + std::to_string(std::min(count, frameTotal)) + " of " + std::to_string(frameTotal) + " frames";
  }
  return "; the plug-in left its frame counter at " + std::to_string(count) + ", outside 0 to " +
         std::to_string(frameTotal);
}

}  // namespace

bool HostedPlugin::start(const PluginCallControl* control, std::string* error) {
  lastFault_ = Fault::none;
  end();
  hasGetFrameSize_ = false;
  hasCodeAndDeCode_ = false;
  if (!counter_) counter_ = platform::SharedMemory::create(sizeof(long));
  int ends[2] = {-1, -1};
  if (!counter_ || !platform::makeChannelPair(ends)) {
    *error = path_ + ": no plug-in host can be started: out of system resources";
    return false;
  }
  const bool started = child_.start(hostProgram(), path_, ends[1], error);
  platform::closeDescriptor(ends[1]);
  channel_ = ends[0];
  if (!started) {
    end();
    return false;
  }
  memoryLimit_ = memoryLimitFor(control, 0);
  const hp::LoadRequest load{memoryLimit_};
  if (!platform::sendPacket(channel_, &load, sizeof load)) {
    *error = describeEnd(Phase::Loading, 0);
    return false;
  }
  hp::LoadReply loaded{};
  if (!await(control, &loaded, sizeof loaded, Phase::Loading, nullptr, 0, error)) return false;
  if (loaded.result == hp::LoadResult::OutOfMemory) {
    *error = wentPastMemoryLimit(Phase::Loading);
    return false;
  }
  if (loaded.result != hp::LoadResult::Loaded) {
    loaded.text[hp::kTextBytes - 1] = '\0';
    *error = loaded.text;
    end();
    return false;
  }
  hasGetFrameSize_ = loaded.hasGetFrameSize != 0;
  hasCodeAndDeCode_ = loaded.hasCodeAndDeCode != 0;
  return true;
}

// A fresh host after a crash loads the library again, within the limits of
// the call that needs it.
bool HostedPlugin::ensureStarted(const PluginCallControl& control, std::string* error) {
  return channel_ >= 0 || start(&control, error);
}

bool HostedPlugin::frameSize(const PluginCallControl& control, std::int32_t* size, std::string* raised,
                             std::string* error) {
  lastFault_ = Fault::none;
  if (!ensureStarted(control, error)) return false;
  memoryLimit_ = memoryLimitFor(&control, 0);
  const hp::Request request{hp::RequestKind::FrameSize, 0, 0, 0, 0, memoryLimit_};
  hp::CallReply reply{};
  if (!platform::sendPacket(channel_, &request, sizeof request)) {
    *error = describeEnd(Phase::FrameSize, 0);
    return false;
  }
  if (!await(&control, &reply, sizeof reply, Phase::FrameSize, nullptr, 0, error)) return false;
  if (!finishCall(reply, raised, error)) return false;
  *size = reply.frameSize;
  return true;
}

bool HostedPlugin::codeAndDeCode(const PluginCallControl& control, const SampleBuffer& input,
                                 const SampleBuffer& output, std::int32_t count, ProgressCounter* frames,
                                 long frameTotal, std::string* raised, std::string* error) {
  lastFault_ = Fault::none;
  if (!ensureStarted(control, error)) return false;
  // The host gets the input only sealed: the samples the score is taken
  // against can then change through no descriptor and no mapping of theirs.
  if (!input.seal()) {
    lastFault_ = Fault::refused;
    *error = path_ + ": the input samples could not be protected from the plug-in";
    return false;
  }
  std::atomic_ref<long>(*static_cast<long*>(counter_.data())).store(frames->load(), std::memory_order_relaxed);
  const auto inputBytes = static_cast<std::int64_t>(input.memory().bytes());
  const auto outputBytes = static_cast<std::int64_t>(output.memory().bytes());
  memoryLimit_ = memoryLimitFor(&control, inputBytes + outputBytes);
  const hp::Request request{hp::RequestKind::CodeAndDeCode, 0, count, inputBytes, outputBytes, memoryLimit_};
  const int fds[3] = {input.memory().fd(), output.memory().fd(), counter_.fd()};
  if (!platform::sendPacket(channel_, &request, sizeof request, fds, 3)) {
    *error = describeEnd(Phase::Recoding, frameTotal);
    return false;
  }
  hp::CallReply reply{};
  return await(&control, &reply, sizeof reply, Phase::Recoding, frames, frameTotal, error) &&
         finishCall(reply, raised, error);
}

bool HostedPlugin::await(const PluginCallControl* control, void* reply, std::size_t bytes, Phase phase,
                         ProgressCounter* frames, long frameTotal, std::string* error) {
  const auto started = std::chrono::steady_clock::now();
  const int timeout = control ? control->timeoutSeconds() : 0;
  for (;;) {
    // The host's end is seen from its exit: a fork of the plug-in may hold
    // the channel open long after the host crashed.
    const platform::ChildProcess::Wake wake = child_.waitReadableOrEnd(channel_, kWaitTickMs);
    if (frames) mirrorCount(counter_, frames, frameTotal);
    if (wake == platform::ChildProcess::Wake::readable) break;
    if (wake == platform::ChildProcess::Wake::ended) {
      *error = describeEnd(phase, frameTotal);
      return false;
    }
    if (control && control->stopRequested()) {
      lastFault_ = Fault::stopped;
      child_.kill();
      end();
      *error = path_ + (phase == Phase::Loading ? ": loading was stopped by the user" : ": stopped by the user");
      return false;
    }
    if (timeout > 0 && std::chrono::steady_clock::now() - started >= std::chrono::seconds(timeout)) {
      lastFault_ = Fault::timedOut;
      child_.kill();
      end();
      *error = path_ + ": the plug-in did not finish " + (phase == Phase::Loading ? "loading " : "") + "within " +
               std::to_string(timeout) + " s";
      return false;
    }
  }
  const long received = platform::receivePacket(channel_, reply, bytes);
  if (received == static_cast<long>(bytes)) return true;
  if (received == 0) {
    *error = describeEnd(phase, frameTotal);
    return false;
  }
  *error = breakOff();
  return false;
}

std::string HostedPlugin::breakOff() {
  // Something other than our host's reply came down the channel: the plug-in
  // wrote into it, and nothing the host says can be trusted any more.
  lastFault_ = Fault::crashed;
  child_.kill();
  end();
  return path_ + ": the plug-in broke the host's protocol (it wrote into the host's channel)";
}

bool HostedPlugin::finishCall(hp::CallReply& reply, std::string* raised, std::string* error) {
  reply.text[hp::kTextBytes - 1] = '\0';
  switch (reply.result) {
    case hp::CallResult::Returned: return true;
    case hp::CallResult::Raised: *raised = reply.text; return false;
    case hp::CallResult::Refused:
      lastFault_ = Fault::refused;
      *error = path_ + ": " + reply.text;
      return false;
    case hp::CallResult::OutOfMemory: *error = wentPastMemoryLimit(Phase::Recoding); return false;
  }
  *error = breakOff();
  return false;
}

std::string HostedPlugin::wentPastMemoryLimit(Phase phase) {
  // The host is dying of it, or has nothing left to work with.
  lastFault_ = Fault::outOfMemory;
  child_.kill();
  end();
  return path_ + ": the plug-in went past the memory limit of " + memoryText(memoryLimit_) +
         (phase == Phase::Loading ? " while it was being loaded" : "");
}

std::string HostedPlugin::describeEnd(Phase phase, long frameTotal) {
  // The host has ended, or closed its end of the channel; it is reaped
  // before it is described, killed if it lingers with the channel closed.
  platform::ChildProcess& child = child_;
  if (!child.waitForExit(kQuitGraceMs)) child.kill();
  std::string reason;
  lastFault_ = child.endedBySignal() ? Fault::crashed : Fault::exited;
  if (child.endedBySignal()) {
    reason = phase == Phase::Loading ? "the plug-in crashed while it was being loaded"
                                     : "the plug-in crashed: " + platform::describeSignal(child.endSignal());
    if (phase == Phase::Recoding) reason += countWords(sharedCount(counter_), frameTotal);
  } else {
    reason = "the plug-in ended the process with exit status " + std::to_string(child.exitStatus());
  }
  end();
  return path_ + ": " + reason;
}

void HostedPlugin::end() {
  if (channel_ >= 0) {
    // Closing the channel tells the host to unload its plug-in and finish.
    platform::closeDescriptor(channel_);
    channel_ = -1;
    if (!child_.waitForExit(kQuitGraceMs)) child_.kill();
  }
  child_.kill();
}

}  // namespace orvelle
