#include "session/codec_library.h"

#include <cstdlib>
#include <cstring>

namespace orvelle {

namespace {

std::string missingExportReason(const std::string& path, bool hasGetFrameSize) {
  return path + ": the library does not export " + (hasGetFrameSize ? "CodeAndDeCode" : "GetFrameSize");
}

}  // namespace

void CodecLibrary::unload() {
  platform::unloadLibrary(module_);
  module_ = nullptr;
  getFrameSize_ = nullptr;
  codeAndDeCode_ = nullptr;
  hosted_.reset();
  command_.reset();
  hostedComplete_ = false;
}

bool CodecLibrary::openModule(const std::string& path, bool inProcess, std::string* error,
                              const PluginCallControl* control) {
  loadFault_ = HostedPlugin::Fault::none;
  if (isCodecCommand(path)) {
    CodecCommand command;
    if (!parseCodecCommand(path, &command, error)) return false;
    command_ = std::make_shared<CommandCodec>(path, std::move(command));
    return true;
  }
  if (inProcess) {
    module_ = platform::loadLibrary(path, error);
    return module_ != nullptr;
  }
  auto hosted = std::make_shared<HostedPlugin>(path);
  std::string reason;
  if (!hosted->start(control, &reason)) {
    loadFault_ = hosted->lastFault();
    if (error) *error = reason;
    return false;
  }
  hosted_ = std::move(hosted);
  return true;
}

void CodecLibrary::shareHostOf(const CodecLibrary& other) {
  hosted_ = other.hosted_;
  command_ = other.command_;
}

bool CodecLibrary::resolveEntries(const std::string& path, std::string* error) {
  if (command_) return true;
  if (hosted_) {
    hostedComplete_ = hosted_->exportsGetFrameSize() && hosted_->exportsCodeAndDeCode();
    if (!hostedComplete_ && error) *error = missingExportReason(path, hosted_->exportsGetFrameSize());
    return hostedComplete_;
  }
  getFrameSize_ = reinterpret_cast<GetFrameSizeEntry>(platform::findSymbol(module_, "GetFrameSize"));
  codeAndDeCode_ = reinterpret_cast<CodeAndDeCodeEntry>(platform::findSymbol(module_, "CodeAndDeCode"));
  if (isComplete()) return true;
  if (error) *error = missingExportReason(path, getFrameSize_ != nullptr);
  return false;
}

bool inProcessPluginsRequested() {
  const char* value = std::getenv("ORVELLE_IN_PROCESS");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace orvelle
