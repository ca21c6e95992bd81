#include "session/operation_request.h"

namespace orvelle {

const char* operationErrorMessage(std::int32_t opCode) {
  switch (opCode) {
    case kWriteTestSignal: return "Voice File Can't be Writed!";
    case kPrepareVoiceData: return "Voice Data Can't be Prepared!";
    case kRecodeVoiceData: return "Voice Data Can't be Recoded!";
    case kCalculateVoiceQuality: return "Can't calculate Quality!";
    case kCalculateFileQuality: return "Can't calculate Quality!";
    case kPrepareComparisonData: return "Voice Data For Codecs Coparation Can't be Prepared!";
    case kRecodeComparisonData: return "Voice Data Can't be Recoded!";
    default: return nullptr;
  }
}

}  // namespace orvelle
