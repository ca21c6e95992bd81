#pragma once

#include <string>

#include "platform/dynamic_library.h"

namespace orvelle {

// The plug-in contract's two exports.
using GetFrameSizeEntry = int (*)();
using CodeAndDeCodeEntry = long (*)(short* pInData, short* pOutData, long dDataSize, long* pFrameNum);

// A loaded codec plug-in: after any load it is either complete (module and
// both entries) or empty. It owns its module and unloads it when emptied or
// destroyed.
class CodecLibrary {
 public:
  CodecLibrary() = default;
  ~CodecLibrary() { unload(); }
  CodecLibrary(const CodecLibrary&) = delete;
  CodecLibrary& operator=(const CodecLibrary&) = delete;

  bool isComplete() const { return module_ && getFrameSize_ && codeAndDeCode_; }
  platform::LibraryHandle module() const { return module_; }
  GetFrameSizeEntry getFrameSize() const { return getFrameSize_; }
  CodeAndDeCodeEntry codeAndDeCode() const { return codeAndDeCode_; }

  // Unloads the module if present; the value becomes empty.
  void unload();

  // Loading happens in two steps so that a pair of plug-ins can both be
  // loaded before either is examined. Between the steps the value holds only
  // a module; the loaders never leave it that way.
  bool openModule(const std::string& path, std::string* error);
  bool resolveEntries(const std::string& path, std::string* error);

 private:
  platform::LibraryHandle module_ = nullptr;
  GetFrameSizeEntry getFrameSize_ = nullptr;
  CodeAndDeCodeEntry codeAndDeCode_ = nullptr;
};

}  // namespace orvelle
