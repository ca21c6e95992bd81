#include "session/codec_library.h"

namespace orvelle {

void CodecLibrary::unload() {
  platform::unloadLibrary(module_);
  module_ = nullptr;
  getFrameSize_ = nullptr;
  codeAndDeCode_ = nullptr;
}

bool CodecLibrary::openModule(const std::string& path, std::string* error) {
  module_ = platform::loadLibrary(path, error);
  return module_ != nullptr;
}

bool CodecLibrary::resolveEntries(const std::string& path, std::string* error) {
  getFrameSize_ = reinterpret_cast<GetFrameSizeEntry>(platform::findSymbol(module_, "GetFrameSize"));
  codeAndDeCode_ = reinterpret_cast<CodeAndDeCodeEntry>(platform::findSymbol(module_, "CodeAndDeCode"));
  if (isComplete()) return true;
  if (error) {
    *error = path + ": the library does not export " +
             (getFrameSize_ ? "CodeAndDeCode" : "GetFrameSize");
  }
  return false;
}

}  // namespace orvelle
