#pragma once

#include <cstdint>
#include <string>

#include "session/headless_progress_dialog.h"
#include "session/test_session.h"
#include "tests/support/headless_message_presenter.h"

namespace orvelle::test {

// Runs one operation of `session` through its dispatcher without a window;
// on failure returns the message box's text, else an empty text.
inline std::string runHeadless(TestSession& session, std::int32_t opCode) {
  HeadlessMessagePresenter presenter;
  HeadlessProgressDialog dialog;
  OperationRequest request;
  request.opCode = opCode;
  request.owner = &presenter;
  request.progressDialog = &dialog;
  session.runOperation(&request);
  return request.failed ? presenter.shown().at(0).text : std::string();
}

}  // namespace orvelle::test
