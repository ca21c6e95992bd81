#include "session/plugin_calls.h"

#include <exception>

namespace orvelle {

namespace {

// An operation dispatched without a loaded plug-in has no entry point to call.
bool refuseWithoutPlugin(const CodecLibrary& codec, const std::string& path, std::string* error) {
  if (codec.isComplete()) return false;
  *error = path.empty() ? std::string("No codec plug-in is loaded") : "The codec plug-in " + path + " is not loaded";
  return true;
}

std::string describeCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception of unknown type";
  }
}

}  // namespace

bool queryFrameSize(const CodecLibrary& codec, const std::string& path, std::int32_t* frameSize,
                    std::string* error) {
  if (refuseWithoutPlugin(codec, path, error)) return false;
  int size = 0;
  try {
    size = codec.getFrameSize()();
  } catch (...) {
    *error = path + ": GetFrameSize raised " + describeCurrentException();
    return false;
  }
  *frameSize = size;
  if (size <= 0) {
    *error = path + ": GetFrameSize reported a frame size of " + std::to_string(size) + "; it must be positive";
    return false;
  }
  return true;
}

bool runCodec(const CodecLibrary& codec, const std::string& path, std::int16_t* input, std::int16_t* output,
              std::int32_t count, ProgressCounter* frames, std::string* error) {
  if (refuseWithoutPlugin(codec, path, error)) return false;
  try {
    codec.codeAndDeCode()(input, output, count, frames->address());
    return true;
  } catch (...) {
    *error = path + ": CodeAndDeCode raised " + describeCurrentException();
    return false;
  }
}

}  // namespace orvelle
