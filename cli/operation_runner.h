#pragma once

#include <cstdint>
#include <string>

#include "session/test_session.h"

namespace orvelle::cli {

// Whether a run tells stderr about its failures and progress, or only its
// caller (the rows of a batch report their own failures).
enum class Reporting { toStderr, quiet };

// Runs the session's numbered operations through the dispatcher, as the
// desktop program does, but without a window: nobody watches, so nothing
// lingers, and the operation runs on the calling thread, which would only
// wait for it otherwise. Failure messages, and the reason behind them, go
// to stderr; a progress line goes there too when it is a terminal.
class OperationRunner {
 public:
  explicit OperationRunner(TestSession& session, Reporting reporting = Reporting::toStderr);

  // Returns true if the operation succeeded.
  bool run(std::int32_t opCode, const std::string& filePath = {}, std::int32_t sizeType = 0);

 private:
  TestSession& session_;
  Reporting reporting_;
  bool showProgress_;
};

// Prints a failure the way every subcommand does: the message, then the
// reason (if any) indented on the next line.
void printFailure(const char* message, const std::string& reason);

}  // namespace orvelle::cli
