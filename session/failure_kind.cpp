#include "session/failure_kind.h"

namespace orvelle {

FailureKind failureKindOf(VoiceFault fault) {
  switch (fault) {
    case VoiceFault::damaged:
    case VoiceFault::empty: return FailureKind::fileDamaged;
    case VoiceFault::needsConversion: return FailureKind::needsConversion;
    case VoiceFault::tooShort: return FailureKind::tooShort;
    case VoiceFault::tooLong: return FailureKind::tooLong;
    case VoiceFault::outOfMemory: return FailureKind::outOfMemory;
    case VoiceFault::unreadable:
    case VoiceFault::none: break;
  }
  return FailureKind::fileUnreadable;
}

}  // namespace orvelle
