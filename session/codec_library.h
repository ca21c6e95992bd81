#pragma once

#include <memory>
#include <string>

#include "platform/dynamic_library.h"
#include "session/command_codec.h"
#include "session/hosted_plugin.h"

namespace orvelle {

// The plug-in contract's two exports.
using GetFrameSizeEntry = int (*)();
using CodeAndDeCodeEntry = long (*)(short* pInData, short* pOutData, long dDataSize, long* pFrameNum);

// A loaded codec plug-in: after any load it is either complete or empty.
// Normally the library lives in a host process of its own (see HostedPlugin);
// loaded in process it is a module and both entries, for running a plug-in
// under a debugger. A codec given as a command ("cmd:...") is complete as
// soon as its command line is understood; each recoding runs it anew. It
// owns what it loaded and unloads it when emptied or destroyed.
class CodecLibrary {
 public:
  CodecLibrary() = default;
  ~CodecLibrary() { unload(); }
  CodecLibrary(const CodecLibrary&) = delete;
  CodecLibrary& operator=(const CodecLibrary&) = delete;

  // A hosted plug-in stays complete after its host crashed: the next call
  // starts a fresh host for the same library.
  bool isComplete() const {
    return command_ || (hosted_ ? hostedComplete_ : (module_ && getFrameSize_ && codeAndDeCode_));
  }
  HostedPlugin* hosted() const { return hosted_.get(); }
  CommandCodec* command() const { return command_.get(); }
  // Whether its code runs in a process of its own, which can be stopped and
  // never writes into its input.
  bool runsApart() const { return hosted_ || command_; }
  // What ended its last failed call, if anything more than the call failing.
  HostedPlugin::Fault callFault() const {
    return hosted_ ? hosted_->lastFault() : command_ ? command_->lastFault() : HostedPlugin::Fault::none;
  }
  // The in-process module and entries; empty when the plug-in is hosted.
  platform::LibraryHandle module() const { return module_; }
  GetFrameSizeEntry getFrameSize() const { return getFrameSize_; }
  CodeAndDeCodeEntry codeAndDeCode() const { return codeAndDeCode_; }

  // Unloads the module or ends the host; the value becomes empty.
  void unload();

  // Loading happens in two steps so that a pair of plug-ins can both be
  // loaded before either is examined. Between the steps the value holds only
  // a module or a host; the loaders never leave it that way. A hosted load
  // keeps to `control`'s time limit and stop request (none when null); one
  // in process cannot be interrupted. A command loads the same whether in
  // process or not: it always runs as processes of its own.
  bool openModule(const std::string& path, bool inProcess, std::string* error,
                  const PluginCallControl* control = nullptr);
  bool resolveEntries(const std::string& path, std::string* error);
  // What ended the last openModule that failed in a host (a time limit, a
  // stop, a crash); none for a load that simply failed or was in process.
  HostedPlugin::Fault loadFault() const { return loadFault_; }
  // Opens the library `other` holds in its host: one file loaded twice is one
  // library with one state, as it is in process.
  void shareHostOf(const CodecLibrary& other);

 private:
  platform::LibraryHandle module_ = nullptr;
  GetFrameSizeEntry getFrameSize_ = nullptr;
  CodeAndDeCodeEntry codeAndDeCode_ = nullptr;
  std::shared_ptr<HostedPlugin> hosted_;
  std::shared_ptr<CommandCodec> command_;
  bool hostedComplete_ = false;
  HostedPlugin::Fault loadFault_ = HostedPlugin::Fault::none;
};

// Whether the environment asks for plug-ins in process (ORVELLE_IN_PROCESS=1).
bool inProcessPluginsRequested();

}  // namespace orvelle
