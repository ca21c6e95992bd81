#include "app/progress_window.h"

#include <atomic>
#include <thread>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/operation_runner.h"
#include "app/qt_message_presenter.h"
#include "app_test_support.h"
#include "session/test_session.h"

namespace orvelle {
namespace {

using test::RecordingMessageBoxes;

// Runs the event loop until `done` holds; no clock is involved, a hang is a
// failure that the test runner's timeout reports.
template <typename Condition>
void processEventsUntil(Condition done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

TEST(ProgressWindowThreaded, UpdatesAndCloseArrivingBeforeTheWindowIsShownStillApply) {
  ProgressWindow window(nullptr);
  std::atomic<std::int32_t> rangeSeenByWorker{0};
  std::thread worker([&] {
    window.setOperationText("ReCode Voice Data");
    window.setRange(32000);
    // Read back at once, as the synthesiser does, before the UI thread ran.
    rangeSeenByWorker = window.rangeUpper();
    window.setPosition(8000);
    window.setCaption("Progressed 25.0000%");
    window.close();
  });
  // The close request is handled while the window is not on screen yet.
  processEventsUntil([&] { return window.closeRequested(); });
  worker.join();
  EXPECT_FALSE(window.isVisible());

  // The modal loop must end on its own as soon as the window appears.
  EXPECT_EQ(window.exec(), QDialog::Accepted);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(rangeSeenByWorker.load(), 32000);
  EXPECT_EQ(window.operationText(), "ReCode Voice Data");
  EXPECT_EQ(window.barMaximum(), 32000);
  EXPECT_EQ(window.barPosition(), 8000);
  EXPECT_EQ(window.windowTitle(), "Progressed 25.0000%");
}

TEST(ProgressWindowThreaded, StartsWithItsDesignTimeTexts) {
  ProgressWindow window(nullptr);
  EXPECT_EQ(window.windowTitle(), "Progress");
  EXPECT_EQ(window.operationText(), "Voice Data Preparation");
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowSystemMenuHint);
}

TEST(ProgressWindowThreaded, IsWideEnoughForItsCaptionWithThePercentage) {
  ProgressWindow window(nullptr);
  window.show();
  window.setCaption("Progressed 100.0000%");
  QApplication::processEvents();
  const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
  // Beside the caption, a title bar holds an icon and up to three buttons.
  EXPECT_GE(window.width(), title.horizontalAdvance(window.windowTitle()) + 4 * title.height());
}

TEST(ProgressWindowThreaded, OnlyTheWorkerCanEndTheWindow) {
  ProgressWindow window(nullptr);
  window.show();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &escape);
  EXPECT_TRUE(window.isVisible());
  static_cast<QWidget&>(window).close();
  EXPECT_TRUE(window.isVisible());

  std::thread worker([&] { window.close(); });
  processEventsUntil([&] { return window.closeRequested(); });
  worker.join();
  EXPECT_FALSE(window.isVisible());
}

TEST(ProgressWindowThreaded, WhileInsidePlugInCodeStopCloseAndEscapeEndThePlugIn) {
  ProgressWindow window(nullptr);
  window.show();
  int stops = 0;
  std::thread worker([&] { window.offerStop([&stops] { ++stops; }); });
  worker.join();
  processEventsUntil([&] { return window.stopOffered(); });
  auto* stop = test::child<QPushButton>(window, "stopButton");
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(stop->isVisible());
  EXPECT_EQ(stop->text(), "Stop");
  EXPECT_TRUE(window.closeBoxShown());
  stop->click();
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(stop->isEnabled()) << "one stop is enough";

  // The close box and Escape stop it too, and neither ends the window: the
  // worker does, once the plug-in is gone.
  std::thread again([&] { window.offerStop([&stops] { ++stops; }); });
  again.join();
  processEventsUntil([&] { return stop->isEnabled(); });
  static_cast<QWidget&>(window).close();
  EXPECT_EQ(stops, 2);
  EXPECT_TRUE(window.isVisible());
  std::thread third([&] { window.offerStop([&stops] { ++stops; }); });
  third.join();
  processEventsUntil([&] { return stop->isEnabled(); });
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &escape);
  EXPECT_EQ(stops, 3);
  EXPECT_TRUE(window.isVisible());

  // Back outside plug-in code the window is as it was.
  std::thread withdraw([&] { window.withdrawStop(); });
  withdraw.join();
  processEventsUntil([&] { return !window.stopOffered(); });
  EXPECT_FALSE(stop->isVisible());
  EXPECT_FALSE(window.closeBoxShown());
  EXPECT_TRUE(window.isVisible());
  static_cast<QWidget&>(window).close();
  EXPECT_EQ(stops, 3);
  EXPECT_TRUE(window.isVisible());
  std::thread closer([&] { window.close(); });
  processEventsUntil([&] { return window.closeRequested(); });
  closer.join();
}

class RunWithProgressThreaded : public ::testing::Test {
 protected:
  RunWithProgressThreaded() : presenter(nullptr, boxes, [this] { return session.failureReason(); }) {
    request.owner = &presenter;
  }

  TestSession session;
  RecordingMessageBoxes boxes;
  QtMessagePresenter presenter;
  OperationRequest request;
};

TEST_F(RunWithProgressThreaded, UnknownOperationsCloseTheWindowWithoutFailing) {
  test::ProgressWindowCounter windows;
  for (std::int32_t op : {0, 8}) {
    EXPECT_EQ(runWithProgress(session, request, op, nullptr), 0);
    EXPECT_EQ(request.opCode.load(), kOperationFinished);
  }
  EXPECT_EQ(request.failed, 0);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(windows.shown, 2);
}

TEST_F(RunWithProgressThreaded, ErrorBoxComesOverTheOpenWindowBeforeItCloses) {
  // Scoring two files that do not exist fails in the worker.
  ASSERT_TRUE(session.sourceFilePath.assign("/nonexistent/source.pcm"));
  ASSERT_TRUE(session.processedFilePath.assign("/nonexistent/coded.pcm"));
  EXPECT_EQ(runWithProgress(session, request, kCalculateFileQuality, nullptr), 1);
  EXPECT_EQ(request.opCode.load(), kOperationFinished);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Can't calculate Quality!");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
  EXPECT_TRUE(boxes.shown[0].onUiThread);
  EXPECT_TRUE(boxes.shown[0].progressWindowOnScreen);
  // The reason reaches the user beside the fixed text.
  EXPECT_FALSE(boxes.shown[0].details.isEmpty());
}

TEST_F(RunWithProgressThreaded, OneRequestServesOperationsOneAfterAnother) {
  test::ProgressWindowCounter windows;
  EXPECT_EQ(runWithProgress(session, request, kRecodeVoiceData, nullptr), 1);  // nothing prepared
  request.failed = 0;
  EXPECT_EQ(runWithProgress(session, request, 0, nullptr), 0);
  EXPECT_EQ(windows.shown, 2);
  EXPECT_EQ(request.progressDialog, nullptr);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Voice Data Can't be Recoded!");
}

TEST(ProgressWindow, APersonWatchesSoTheFinishedBarStaysAndTheBarMovesEvery100Ms) {
  ProgressWindow window(nullptr);
  EXPECT_EQ(window.lingerMilliseconds(150), 150);
  EXPECT_EQ(window.lingerMilliseconds(200), 200);
  EXPECT_EQ(window.refreshPeriodMilliseconds(), 100);
}

}  // namespace
}  // namespace orvelle
