#include "cli/run_options.h"

#include <cstdio>

namespace orvelle::cli {

namespace {

// The engine says what a voice file is; how to convert it is ours to say.
engine::JobError withHint(engine::JobError error) {
  if (error.kind == FailureKind::needsConversion) {
    error.detail += ". Convert it to that format first, or have orvelle-cli convert it while reading with --resample";
  }
  return error;
}

}  // namespace

void printFailure(const char* message, const std::string& reason) {
  if (*message != '\0') std::fprintf(stderr, "%s\n", message);
  if (reason.empty()) return;
  // A failure without a message is its detail alone, unindented.
  std::fprintf(stderr, *message != '\0' ? "  %s\n" : "%s\n", reason.c_str());
}

void printFailure(const engine::JobError& error) {
  const engine::JobError shown = withHint(error);
  printFailure(shown.message.c_str(), shown.detail);
}

std::string failureText(const engine::JobError& error) { return withHint(error).text(); }

}  // namespace orvelle::cli
