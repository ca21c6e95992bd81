#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/threads.h"
#include "session/headless_progress_dialog.h"
#include "session/test_session.h"

namespace orvelle {
namespace {

// Records, in one sequence, what the worker shows and closes, so that the
// tests can check the order of the dispatcher's steps.
class EventLog {
 public:
  void add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

class LoggingDialog : public HeadlessProgressDialog {
 public:
  explicit LoggingDialog(EventLog& log) : log_(log) {}
  void close() override {
    log_.add("close");
    HeadlessProgressDialog::close();
  }

 private:
  EventLog& log_;
};

class LoggingPresenter : public MessagePresenter {
 public:
  LoggingPresenter(EventLog& log, const OperationRequest& request) : log_(log), request_(request) {}
  void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    // While the box is up the operation is not finished and not yet marked failed.
    log_.add("message:" + text + "|" + caption + "|" + (icon == MessageIcon::Error ? "error" : "other") +
             "|opCode=" + std::to_string(request_.opCode.load()));
  }

 private:
  EventLog& log_;
  const OperationRequest& request_;
};

// Runs the request on a detached worker as a command does, then waits for the
// finished marker with acquire ordering.
void runLikeACommand(TestSession& session, OperationRequest& request, std::int32_t code) {
  request.opCode.store(code);
  request.failed = 0;
  ASSERT_TRUE(platform::startDetachedThread([&session, &request] { session.runOperation(&request); }));
  while (request.opCode.load(std::memory_order_acquire) != kOperationFinished) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Runs one operation code on a fresh session and returns what the worker
// showed and closed, in order, and the request's failed flag.
std::pair<std::vector<std::string>, std::int32_t> dispatchOnce(std::int32_t code) {
  TestSession session;
  EXPECT_TRUE(session.sourceFilePath.assign("/nonexistent/source.pcm"));
  EXPECT_TRUE(session.processedFilePath.assign("/nonexistent/processed.pcm"));
  EventLog log;
  OperationRequest request;
  LoggingDialog dialog(log);
  LoggingPresenter presenter(log, request);
  request.owner = &presenter;
  request.progressDialog = &dialog;
  runLikeACommand(session, request, code);
  return {log.events(), request.failed};
}

TEST(OperationDispatcherThreaded, UnknownCodesCloseTheDialogWithoutFailing) {
  for (std::int32_t code : {0, 8, -5}) {
    SCOPED_TRACE(code);
    const auto [events, failed] = dispatchOnce(code);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(events, std::vector<std::string>{"close"});
  }
}

TEST(OperationDispatcherThreaded, FailureShowsItsMessageBeforeTheDialogCloses) {
  // With no codec loaded and nothing prepared, operations 2 to 7 must fail
  // at once, none of them calling through an empty entry point.
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {kPrepareVoiceData, "Voice Data Can't be Prepared!"},
      {kPrepareComparisonData, "Voice Data For Codecs Coparation Can't be Prepared!"},
      {kRecodeVoiceData, "Voice Data Can't be Recoded!"},
      {kCalculateVoiceQuality, "Can't calculate Quality!"},
      {kCalculateFileQuality, "Can't calculate Quality!"},
      {kRecodeComparisonData, "Voice Data Can't be Recoded!"},
  };
  for (const auto& [code, message] : cases) {
    SCOPED_TRACE(code);
    const auto [events, failed] = dispatchOnce(code);
    EXPECT_EQ(failed, 1);
    const std::vector<std::string> expected = {
        "message:" + message + "|Error|error|opCode=" + std::to_string(code), "close"};
    EXPECT_EQ(events, expected);
  }
}

TEST(OperationDispatcherThreaded, PreparingWithoutALoadedCodecNamesTheReason) {
  TestSession session;
  HeadlessProgressDialog dialog;
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_EQ(session.failureReason(), "No codec plug-in is loaded");
  ASSERT_TRUE(session.codecPath.assign("/nowhere/codec.so"));
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_EQ(session.failureReason(), "The codec plug-in /nowhere/codec.so is not loaded");
}

TEST(OperationDispatcherThreaded, OneRequestServesSeveralOperations) {
  TestSession session;
  EventLog log;
  OperationRequest request;
  LoggingPresenter presenter(log, request);
  request.owner = &presenter;
  for (std::int32_t code : {0, static_cast<int>(kRecodeVoiceData), 0}) {
    LoggingDialog dialog(log);
    request.progressDialog = &dialog;
    runLikeACommand(session, request, code);
    EXPECT_TRUE(dialog.snapshot().closed);
    EXPECT_EQ(request.failed, code == 0 ? 0 : 1);
  }
}

TEST(OperationMessages, SharedAndDistinctTexts) {
  EXPECT_STREQ(operationErrorMessage(kWriteTestSignal), "Voice File Can't be Writed!");
  EXPECT_STREQ(operationErrorMessage(kPrepareVoiceData), "Voice Data Can't be Prepared!");
  EXPECT_STREQ(operationErrorMessage(kPrepareComparisonData), "Voice Data For Codecs Coparation Can't be Prepared!");
  EXPECT_STREQ(operationErrorMessage(kRecodeVoiceData), operationErrorMessage(kRecodeComparisonData));
  EXPECT_STREQ(operationErrorMessage(kCalculateVoiceQuality), operationErrorMessage(kCalculateFileQuality));
  EXPECT_EQ(operationErrorMessage(0), nullptr);
  EXPECT_EQ(operationErrorMessage(8), nullptr);
  EXPECT_EQ(operationErrorMessage(kOperationFinished), nullptr);
}

TEST(ProgressMonitorThreaded, MirrorsTheCountersUntilTheyMeet) {
  TestSession session;
  HeadlessProgressDialog dialog;
  session.progressTotal.store(8);
  session.progressCurrent.store(1);
  std::atomic<bool> ended{false};
  std::thread monitor([&] {
    session.progressMonitor(&dialog);
    ended = true;
  });
  while (dialog.snapshot().caption == "Progress") std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(dialog.snapshot().caption, "Progressed 12.5000%");
  EXPECT_EQ(dialog.snapshot().position, 1);
  EXPECT_FALSE(ended);

  session.progressCurrent.store(8);
  monitor.join();
  EXPECT_TRUE(ended);
  EXPECT_EQ(dialog.snapshot().position, 1) << "equal counters draw nothing more";
}

TEST(ProgressMonitorThreaded, EqualCountersEndAtOnceAndDrawNothing) {
  TestSession session;
  HeadlessProgressDialog dialog;
  session.progressTotal.store(5);
  session.progressCurrent.store(5);
  std::thread monitor([&] { session.progressMonitor(&dialog); });
  monitor.join();
  EXPECT_EQ(dialog.snapshot().caption, "Progress");
  EXPECT_EQ(dialog.snapshot().position, 0);
}

}  // namespace
}  // namespace orvelle
