#include "session/plugin_calls.h"

#include <exception>

namespace orvelle {

namespace {

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
  try {
    codec.codeAndDeCode()(input, output, count, frames->address());
    return true;
  } catch (...) {
    *error = path + ": CodeAndDeCode raised " + describeCurrentException();
    return false;
  }
}

}  // namespace orvelle
