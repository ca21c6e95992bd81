#pragma once

#include <cstdint>
#include <string>

#include "session/test_session.h"

namespace orvelle::cli {

// Runs the session's numbered operations the way the desktop program does,
// without a window: the operation runs on a worker thread while this thread
// waits for its finished marker. Failure messages, and the reason behind
// them, go to stderr; a progress line goes there too when it is a terminal.
class OperationRunner {
 public:
  explicit OperationRunner(TestSession& session);

  // Returns true if the operation succeeded.
  bool run(std::int32_t opCode, const std::string& filePath = {}, std::int32_t sizeType = 0);

 private:
  TestSession& session_;
  bool showProgress_;
};

// Prints a failure the way every subcommand does: the message, then the
// reason (if any) indented on the next line.
void printFailure(const char* message, const std::string& reason);

}  // namespace orvelle::cli
