#pragma once

#include <cstdint>
#include <string>

#include "platform/progress_counter.h"
#include "session/codec_command.h"
#include "session/hosted_plugin.h"
#include "session/plugin_call_control.h"
#include "session/sample_buffer.h"

namespace orvelle {

// How a command's output was fitted to its input: a shorter one padded with
// silence, a longer one cut.
struct OutputFit {
  std::int64_t given = 0;     // samples the command wrote
  std::int64_t expected = 0;  // samples of its input
  std::int64_t padded() const { return given < expected ? expected - given : 0; }
  std::int64_t cut() const { return given > expected ? given - expected : 0; }
};

// "The command's output was 12 samples shorter than its input (88160
// samples); padded with silence", or likewise cut; empty when it fitted.
std::string outputFitNote(const OutputFit& fit);

// A codec run as a shell command line, one run a recoding: the input is
// written to a fresh temporary folder, the command runs there (in a host
// that ends everything it started, within the call's time and memory
// limits and its stop request) with its stdout and stderr on ours, and what
// it wrote is read back, fitted to the input's length. The folder goes with
// all in it once the run is over.
class CommandCodec {
 public:
  CommandCodec(std::string name, CodecCommand command) : name_(std::move(name)), command_(std::move(command)) {}

  std::int32_t frameSize() const { return command_.frameSize; }

  // Runs the command over `count` samples of `input` into `output`; the
  // frame counter reaches `frameTotal` once the command has finished, as it
  // has no frames to count. On failure the reason names the command and
  // ends with the last lines it wrote to stderr.
  bool run(const PluginCallControl& control, const SampleBuffer& input, const SampleBuffer& output,
           std::int32_t count, ProgressCounter* frames, long frameTotal, std::string* error);

  // What ended the last failed run, in the plug-in host's terms; refused for
  // output that could not be used.
  HostedPlugin::Fault lastFault() const { return lastFault_; }
  // The last successful run's fit; nothing given or expected before one.
  const OutputFit& lastFit() const { return lastFit_; }

 private:
  bool fail(HostedPlugin::Fault fault, const std::string& why, std::string* error);
  // Reads what the command wrote at `path` into `output`, fitted to `count`
  // samples; `said` is what a failure adds of its stderr.
  bool takeOutput(const std::string& path, const SampleBuffer& output, std::int32_t count, const std::string& said,
                  std::string* error);

  std::string name_;
  CodecCommand command_;
  HostedPlugin::Fault lastFault_ = HostedPlugin::Fault::none;
  OutputFit lastFit_;
};

}  // namespace orvelle
