#include "session/failure_kind.h"

#include "session/codec_library.h"

namespace orvelle {

FailureKind failureKindOf(VoiceFault fault) {
  switch (fault) {
    case VoiceFault::damaged:
    case VoiceFault::empty: return FailureKind::fileDamaged;
    case VoiceFault::needsConversion: return FailureKind::needsConversion;
    case VoiceFault::rateTooLow: return FailureKind::notMeasurable;
    case VoiceFault::tooShort: return FailureKind::tooShort;
    case VoiceFault::tooLong: return FailureKind::tooLong;
    case VoiceFault::outOfMemory: return FailureKind::outOfMemory;
    case VoiceFault::unreadable:
    case VoiceFault::none: break;
  }
  return FailureKind::fileUnreadable;
}

namespace {

FailureKind kindOf(HostedPlugin::Fault fault, FailureKind otherwise) {
  switch (fault) {
    case HostedPlugin::Fault::crashed: return FailureKind::crashed;
    case HostedPlugin::Fault::timedOut: return FailureKind::timedOut;
    case HostedPlugin::Fault::stopped: return FailureKind::stopped;
    case HostedPlugin::Fault::outOfMemory: return FailureKind::outOfMemory;
    case HostedPlugin::Fault::exited:
    case HostedPlugin::Fault::refused:
    case HostedPlugin::Fault::none: break;
  }
  return otherwise;
}

}  // namespace

FailureKind failureKindOf(const CodecLibrary& codec, FailureKind otherwise) {
  return kindOf(codec.callFault(), otherwise);
}

FailureKind loadFailureKindOf(const CodecLibrary& codec) {
  const FailureKind kind = kindOf(codec.loadFault(), FailureKind::loadFailed);
  return kind == FailureKind::crashed ? FailureKind::loadFailed : kind;
}

}  // namespace orvelle
