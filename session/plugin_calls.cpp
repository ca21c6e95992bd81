#include "session/plugin_calls.h"

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
  if (HostedPlugin* hosted = codec.hosted()) {
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
  if (HostedPlugin* hosted = codec.hosted()) {
    std::string raised;
    if (hosted->codeAndDeCode(control, input, output, count, frames, frameTotal, &raised, error)) return true;
    if (!raised.empty()) *error = path + ": CodeAndDeCode raised " + raised;
    return false;
  }
  try {
    codec.codeAndDeCode()(input.get(), output.get(), count, frames->address());
    return true;
  } catch (...) {
    *error = path + ": CodeAndDeCode raised " + describeCurrentException();
    return false;
  }
}

}  // namespace orvelle
