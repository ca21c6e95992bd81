#include "session/test_session.h"

namespace orvelle {

// The operation bodies are not built yet; each fails so that no command can
// mistake a missing operation for a successful one.
bool TestSession::writeTestSignal(ProgressDialog*, const std::string&, std::int32_t) {
  return fail("writing the test signal is not available in this build");
}
bool TestSession::prepareVoiceData(ProgressDialog*) {
  return fail("voice-data preparation is not available in this build");
}
bool TestSession::recodeVoiceData(ProgressDialog*) {
  return fail("recoding is not available in this build");
}
bool TestSession::calculateVoiceQuality(ProgressDialog*) {
  return fail("quality scoring is not available in this build");
}
bool TestSession::calculateFileQuality(ProgressDialog*) {
  return fail("file scoring is not available in this build");
}
bool TestSession::prepareComparisonData(ProgressDialog*) {
  return fail("comparison-data preparation is not available in this build");
}
bool TestSession::recodeComparisonData(ProgressDialog*) {
  return fail("comparison recoding is not available in this build");
}

}  // namespace orvelle
