#pragma once

#include "audio_io/voice_file_reader.h"

namespace orvelle {

// What kind of thing went wrong in a load or an operation, for callers that
// react to the cause rather than show it; the reason text beside it names
// the file or the plug-in.
enum class FailureKind {
  failed,           // none of the kinds below
  fileUnreadable,   // missing, not a regular file, or a read failed
  fileDamaged,      // a sound file whose data does not match its header
  needsConversion,  // a sound file in another format than the measure's
  tooShort,
  tooLong,
  notMeasurable,    // no band of the source could be judged
  outOfMemory,
  loadFailed,       // the plug-in could not be loaded or lacks an export
  pluginFailed,     // the plug-in raised, reported a bad frame size, crashed or ended
  timedOut,
  stopped,
  writeFailed,
};

FailureKind failureKindOf(VoiceFault fault);

}  // namespace orvelle
