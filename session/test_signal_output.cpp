#include "session/test_session.h"

namespace orvelle {

bool TestSession::writeTestSignal(ProgressDialog* dialog, const std::string& filePath, std::int32_t sizeType) {
  if (sizeType < 0 || sizeType > 2) return fail("unknown signal size " + std::to_string(sizeType));
  if (!synthesizer_.writeTestSignal(filePath, dialog, sizeType)) return fail(FailureKind::writeFailed, synthesizer_.failureReason());
  return true;
}

}  // namespace orvelle
