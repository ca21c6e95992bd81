#pragma once

#include "session/codec_library.h"
#include "session/plugin_call_control.h"
#include "session/progress_dialog.h"

namespace orvelle {

// Offers the user a Stop on the progress window for as long as it exists,
// when the calls it covers go to a process that can be ended (a plug-in's
// host, a command); a plug-in in process cannot be stopped without ending
// the program.
class StopOffer {
 public:
  StopOffer(ProgressDialog* dialog, const CodecLibrary& codec, PluginCallControl& control)
      : dialog_(codec.runsApart() ? dialog : nullptr) {
    if (dialog_) dialog_->offerStop([&control] { control.requestStop(); });
  }
  ~StopOffer() {
    if (dialog_) dialog_->withdrawStop();
  }
  StopOffer(const StopOffer&) = delete;
  StopOffer& operator=(const StopOffer&) = delete;

 private:
  ProgressDialog* dialog_;
};

}  // namespace orvelle
