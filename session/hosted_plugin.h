#pragma once

#include <cstdint>
#include <string>

#include "platform/child_process.h"
#include "platform/progress_counter.h"
#include "platform/shared_memory.h"
#include "plugin_host/host_protocol.h"
#include "session/plugin_call_control.h"
#include "session/sample_buffer.h"

namespace orvelle {

// One plug-in library loaded in a host process of its own. Whatever the
// plug-in does to that process (a fault, an exit, a hang ended by a limit)
// becomes a failed call with a reason; the next call starts a fresh host for
// the same library. Ending the value ends the host and reaps it.
class HostedPlugin {
 public:
  explicit HostedPlugin(std::string path) : path_(std::move(path)) {}
  ~HostedPlugin() { end(); }
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  // Starts the host and loads the library; the error is the loader's or
  // names how the host ended. A library constructor is plug-in code too, so
  // the load keeps to `control`'s limits as the calls do (none but the
  // default memory limit when null).
  bool start(const PluginCallControl* control, std::string* error);
  bool exportsGetFrameSize() const { return hasGetFrameSize_; }
  bool exportsCodeAndDeCode() const { return hasCodeAndDeCode_; }

  // The two calls. A false return with an empty `raised` means the host
  // failed (the reason is in `error`); a non-empty `raised` is what the
  // plug-in threw. codeAndDeCode seals `input` before the host sees it: it
  // can be read on, but changed by nobody, the plug-in included. Both keep
  // to `control`'s memory limit, or to a generous default.
  bool frameSize(const PluginCallControl& control, std::int32_t* size, std::string* raised, std::string* error);
  bool codeAndDeCode(const PluginCallControl& control, const SampleBuffer& input, const SampleBuffer& output,
                     std::int32_t count, ProgressCounter* frames, long frameTotal, std::string* raised,
                     std::string* error);

  // What ended the last load or call that failed, for callers that react
  // to the cause; the error text beside it says it to a person.
  enum class Fault { none, refused, crashed, exited, timedOut, stopped, outOfMemory };
  Fault lastFault() const { return lastFault_; }

  // The host's process id while one runs, else -1.
  long hostPid() const { return child_.pid(); }

 private:
  enum class Phase { Loading, FrameSize, Recoding };
  bool ensureStarted(const PluginCallControl& control, std::string* error);
  bool await(const PluginCallControl* control, void* reply, std::size_t bytes, Phase phase, ProgressCounter* frames,
             long frameTotal, std::string* error);
  // The frame counter's last value is read from the host's counter itself.
  std::string describeEnd(Phase phase, long frameTotal);
  std::string breakOff();
  std::string wentPastMemoryLimit(Phase phase);
  bool finishCall(host_protocol::CallReply& reply, std::string* raised, std::string* error);
  void end();

  std::string path_;
  platform::ChildProcess child_;
  int channel_ = -1;
  platform::SharedMemory counter_;
  bool hasGetFrameSize_ = false;
  bool hasCodeAndDeCode_ = false;
  Fault lastFault_ = Fault::none;
  std::int64_t memoryLimit_ = 0;  // that of the last load or call
};

}  // namespace orvelle
