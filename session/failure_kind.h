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
  outOfMemory,      // no memory for the buffers, or a hosted plug-in went past its memory limit
  loadFailed,       // the plug-in could not be loaded or lacks an export
  pluginFailed,     // the plug-in raised, reported a bad frame size or ended its process
  crashed,          // the plug-in's process died of a signal
  timedOut,
  stopped,
  writeFailed,
};

FailureKind failureKindOf(VoiceFault fault);

class CodecLibrary;
// Why the plug-in's last call failed; `otherwise` when it was nothing more
// particular than the call failing (a raise, a bad frame size, a failed load).
FailureKind failureKindOf(const CodecLibrary& codec, FailureKind otherwise);
// Why the plug-in's last load failed: loadFailed unless a time limit or a
// stop ended it.
FailureKind loadFailureKindOf(const CodecLibrary& codec);

}  // namespace orvelle
