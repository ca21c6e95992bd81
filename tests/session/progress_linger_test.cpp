#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/startup_directory.h"
#include "session/headless_progress_dialog.h"
#include "session/progress_monitor_run.h"
#include "session/test_session.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

// A headless window that records what the operations ask of it.
class RecordingDialog : public HeadlessProgressDialog {
 public:
  explicit RecordingDialog(int refreshPeriodMs = kRefreshPeriodMs) : refreshPeriodMs_(refreshPeriodMs) {}
  int lingerMilliseconds(int requested) const override {
    std::lock_guard lock(mutex_);
    requested_.push_back(requested);
    return HeadlessProgressDialog::lingerMilliseconds(requested);
  }
  int refreshPeriodMilliseconds() const override { return refreshPeriodMs_; }
  std::vector<int> requested() const {
    std::lock_guard lock(mutex_);
    return requested_;
  }

 private:
  int refreshPeriodMs_;
  mutable std::mutex mutex_;
  mutable std::vector<int> requested_;
};

// The window of a person watching: only the defaults.
class WatchedDialog : public ProgressDialog {
 public:
  void setOperationText(const std::string&) override {}
  void setRange(std::int32_t) override {}
  std::int32_t rangeUpper() const override { return 0; }
  void setPosition(std::int32_t) override {}
  void setCaption(const std::string&) override {}
  void close() override {}
};

TEST(ProgressLinger, AWatchedWindowLingersAsAskedAndAHeadlessOneNot) {
  const WatchedDialog watched;
  EXPECT_EQ(watched.lingerMilliseconds(150), 150);
  EXPECT_EQ(watched.refreshPeriodMilliseconds(), 100);
  const HeadlessProgressDialog headless;
  EXPECT_EQ(headless.lingerMilliseconds(150), 0);
  EXPECT_EQ(headless.lingerMilliseconds(200), 0);
}

TEST(ProgressLingerThreaded, TheMonitorEndsWhenTheWorkEndsNotAtTheEndOfItsPeriod) {
  // With an hour between redraws, a monitor that slept out its period
  // would keep the operation waiting for the hour.
  TestSession session;
  RecordingDialog dialog(3600 * 1000);
  session.progressTotal.store(8);
  session.progressCurrent.store(1);
  const auto start = std::chrono::steady_clock::now();
  {
    ProgressMonitorRun monitor(session, &dialog);
    while (dialog.snapshot().caption == "Progress") std::this_thread::yield();
    monitor.finish(150);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(5));
  EXPECT_EQ(dialog.snapshot().caption, "Progressed 12.5000%");
  EXPECT_EQ(dialog.requested(), std::vector<int>{150});
}

TEST(ProgressLingerThreaded, AWindowNobodyReadsGetsNoMonitor) {
  // A monitor would caption the bar as soon as it started; given time to,
  // it leaves the caption as it was only if none runs.
  TestSession session;
  HeadlessProgressDialog dialog({}, HeadlessProgressDialog::Readers::none);
  EXPECT_FALSE(dialog.showsProgress());
  EXPECT_TRUE(HeadlessProgressDialog().showsProgress());
  session.progressTotal.store(8);
  session.progressCurrent.store(1);
  {
    ProgressMonitorRun monitor(session, &dialog);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    monitor.finish(150);
  }
  EXPECT_EQ(dialog.snapshot().caption, "Progress");
  EXPECT_EQ(session.progressCurrent.load(), 8);
}

TEST(ProgressLingerThreaded, ScoringAsksForItsWaitAndAHeadlessWindowGrantsNone) {
  test::ScratchDirectory scratch;
  platform::setStartupDirectory(scratch.prefix());
  test::writeVoiceFile(scratch.file("speech.pcm"), test::speechLikeSignal(3));
  TestSession session;
  ASSERT_TRUE(session.sourceFilePath.assign(scratch.file("speech.pcm")));
  ASSERT_TRUE(session.processedFilePath.assign(scratch.file("speech.pcm")));
  RecordingDialog dialog;
  ASSERT_TRUE(session.calculateFileQuality(&dialog)) << session.failureReason();
  EXPECT_EQ(session.fileQuality, 100.0);
  EXPECT_EQ(dialog.requested(), std::vector<int>{150}) << "the desktop's wait is still asked for";
}

}  // namespace
}  // namespace orvelle
