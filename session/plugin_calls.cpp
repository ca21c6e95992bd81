#include "session/plugin_calls.h"

#include <new>
#include <vector>

#include "plugin_host/host_protocol.h"

namespace orvelle {

using host_protocol::describeCurrentException;

namespace {

// An operation dispatched without a loaded plug-in has no entry point to call.
bool refuseWithoutPlugin(const CodecLibrary& codec, const std::string& path, std::string* error) {
  if (codec.isComplete()) return false;
  *error = path.empty() ? std::string("No codec plug-in is loaded") : "The codec plug-in " + path + " is not loaded";
  return true;
}

}  // namespace

bool queryFrameSize(const CodecLibrary& codec, const std::string& path, const PluginCallControl& control,
                    std::int32_t* frameSize, std::string* error) {
  if (refuseWithoutPlugin(codec, path, error)) return false;
  int size = 0;
  std::string raised;
  if (const CommandCodec* command = codec.command()) {
    size = command->frameSize();
  } else if (HostedPlugin* hosted = codec.hosted()) {
    if (!hosted->frameSize(control, &size, &raised, error)) {
      if (!raised.empty()) *error = path + ": GetFrameSize raised " + raised;
      return false;
    }
  } else {
    try {
      size = codec.getFrameSize()();
    } catch (...) {
      *error = path + ": GetFrameSize raised " + describeCurrentException();
      return false;
    }
  }
  *frameSize = size;
  if (size <= 0) {
    *error = path + ": GetFrameSize reported a frame size of " + std::to_string(size) + "; it must be positive";
    return false;
  }
  return true;
}

bool runCodec(const CodecLibrary& codec, const std::string& path, const PluginCallControl& control,
              const SampleBuffer& input, const SampleBuffer& output, std::int32_t count, ProgressCounter* frames,
              long frameTotal, std::string* error) {
  if (refuseWithoutPlugin(codec, path, error)) return false;
  if (CommandCodec* command = codec.command()) {
    return command->run(control, input, output, count, frames, frameTotal, error);
  }
  if (HostedPlugin* hosted = codec.hosted()) {
    std::string raised;
    if (hosted->codeAndDeCode(control, input, output, count, frames, frameTotal, &raised, error)) return true;
    if (!raised.empty()) *error = path + ": CodeAndDeCode raised " + raised;
    return false;
  }
  // In process the plug-in may write into its input, which a hosted run
  // before may have sealed: it then writes into a copy.
  std::vector<std::int16_t> copy;
  std::int16_t* samples = input.get();
  if (input.sealed()) {
    try {
      copy.assign(samples, samples + input.memory().bytes() / sizeof(std::int16_t));
    } catch (const std::bad_alloc&) {
      *error = path + ": not enough memory for the plug-in's copy of its input";
      return false;
    }
    samples = copy.data();
  }
  try {
    codec.codeAndDeCode()(samples, output.get(), count, frames->address());
    return true;
  } catch (...) {
    *error = path + ": CodeAndDeCode raised " + describeCurrentException();
    return false;
  }
}

}  // namespace orvelle
