#include "cli/operation_runner.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "session/headless_message_presenter.h"
#include "session/headless_progress_dialog.h"

namespace orvelle::cli {

namespace {

// Redraws the progress line when what it shows changes. The dialog calls it
// one change at a time, so it needs no lock of its own.
class ProgressLine {
 public:
  void operator()(const ProgressSnapshot& state) {
    std::string line;
    if (!state.closed) {
      const double percent = state.rangeUpper > 0 ? state.position * 100.0 / state.rangeUpper : 0.0;
      char text[32];
      std::snprintf(text, sizeof text, ": %.1f%%", percent);
      line = state.operationText + text;
    }
    if (line == shown_) return;
    shown_ = line;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
  }

 private:
  std::string shown_;
};

}  // namespace

OperationRunner::OperationRunner(TestSession& session, Reporting reporting)
    : session_(session),
      reporting_(reporting),
      showProgress_(reporting == Reporting::toStderr && isatty(STDERR_FILENO)) {}

bool OperationRunner::run(std::int32_t opCode, const std::string& filePath, std::int32_t sizeType) {
  // Without a progress line nothing reads the window, and no monitor thread
  // need start for it: a batch runs one operation a row.
  HeadlessProgressDialog dialog(
      showProgress_ ? HeadlessProgressDialog::Listener(ProgressLine()) : HeadlessProgressDialog::Listener(),
      showProgress_ ? HeadlessProgressDialog::Readers::some : HeadlessProgressDialog::Readers::none);
  // The message is printed after the worker is done, together with its reason.
  HeadlessMessagePresenter presenter;
  OperationRequest request;
  request.owner = &presenter;
  request.progressDialog = &dialog;
  request.filePath = filePath;
  request.sizeType = sizeType;
  request.opCode.store(opCode);
  session_.runOperation(&request);
  if (reporting_ == Reporting::toStderr) {
    // What a conversion did to the speech is part of the result: clipping
    // changes what is scored.
    for (const std::string& note : session_.voiceConversionNotes) std::fprintf(stderr, "%s\n", note.c_str());
    session_.voiceConversionNotes.clear();
    for (const ShownMessage& shown : presenter.shown()) printFailure(shown.text.c_str(), session_.failureReason());
  }
  return request.failed == 0;
}

void printFailure(const char* message, const std::string& reason) {
  std::fprintf(stderr, "%s\n", message);
  if (!reason.empty()) std::fprintf(stderr, "  %s\n", reason.c_str());
}

}  // namespace orvelle::cli
