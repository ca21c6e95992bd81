// Opens every window of the desktop program in turn, with plausible content,
// and saves a picture of each: the main window, the three settings dialogs,
// a progress window during a real operation, the log viewer, the About box
// and the splash. tools/screenshots.sh runs it under a virtual display.
//
//   orvelle_screenshot_tour <output folder> <codec plug-in>
#include <cstdio>
#include <deque>
#include <filesystem>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/about_dialog.h"
#include "app/codec_comparison_settings_dialog.h"
#include "app/codec_quality_settings_dialog.h"
#include "app/compare_files_dialog.h"
#include "app/orvelle_application.h"
#include "app/log_viewer_dialog.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/splash_window.h"
#include "platform/startup_directory.h"

namespace {

using namespace orvelle;

class ScriptedFiles : public FileChooser {
 public:
  std::deque<QString> answers;
  QString chooseFileToOpen(QWidget*, const FileKind&, const QString&) override { return next(); }
  QString chooseFileToSave(QWidget*, const FileKind&, const QString&) override { return next(); }

 private:
  QString next() {
    if (answers.empty()) return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class PrintedBoxes : public MessageBoxes {
 public:
  void show(QWidget*, const QString& text, const QString& caption, MessageIcon, const QString& details) override {
    std::printf("[%s] %s %s\n", qPrintable(caption), qPrintable(text), qPrintable(details));
  }
  bool ask(QWidget*, const QString& question, const QString& caption) override {
    std::printf("[%s] %s Yes\n", qPrintable(caption), qPrintable(question));
    return true;
  }
};

// Runs the event loop until the window manager has mapped and framed
// `widget` and it has painted itself (at most two seconds).
void settle(QWidget& widget) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 2000 && !(widget.windowHandle() && widget.windowHandle()->isExposed())) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  while (clock.elapsed() < 2500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A picture of `widget` as on screen, with the frame and caption its window
// manager gave it.
bool photograph(QWidget& widget, const QString& path) {
  const QRect frame = widget.frameGeometry();
  return widget.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(path);
}

bool save(QWidget& widget, const QString& folder, const QString& name) {
  widget.show();
  settle(widget);
  const bool saved = photograph(widget, folder + "/" + name);
  std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(folder + "/" + name));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  OrvelleApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <output folder> <codec plug-in>\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString plugin = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  const QString work = QDir::tempPath() + "/orvelle-screenshots";
  QDir(work).removeRecursively();
  QDir().mkpath(work);
  platform::setStartupDirectory(work.toStdString() + "/");

  TestSession session;
  ScriptedFiles files;
  PrintedBoxes boxes;
  bool ok = true;

  { SplashWindow splash; ok &= save(splash, out, "splash.png"); }

  MainWindow window(session, files, boxes);
  ok &= save(window, out, "main-window.png");
  { AboutDialog about(&window); ok &= save(about, out, "about.png"); }

  // A Codec Quality run on the Short internal source: its progress window is
  // photographed part-way, and it leaves a measurement log for the viewer.
  bool progressSaved = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<ProgressWindow*>(widget);
      if (progressSaved || progress == nullptr || !progress->isVisible()) continue;
      if (progress->barPosition() * 3 < progress->barMaximum()) continue;
      progressSaved = photograph(*progress, out + "/progress-window.png");
      std::printf("%s %s\n", progressSaved ? "saved" : "FAILED", qPrintable(out + "/progress-window.png"));
    }
  });
  watcher.start(20);
  files.answers.push_back(plugin);
  window.setDialogRunner([&](QDialog& dialog) {
    dialog.findChild<QComboBox*>("sizeTypeBox")->setCurrentIndex(0);
    dialog.findChild<QPushButton*>("codecBrowseButton")->click();
    ok &= save(dialog, out, "codec-quality-settings.png");
    dialog.findChild<QPushButton*>("okButton")->click();
    return dialog.result();
  });
  window.codecQuality();
  watcher.stop();
  ok &= progressSaved;

  if (!session.sourceCodecPath.assign(plugin.toStdString()) || !session.testedCodecPath.assign(plugin.toStdString()))
    return 1;
  {
    CodecComparisonSettingsDialog dialog(session, files, boxes, &window);
    ok &= save(dialog, out, "codec-comparison-settings.png");
  }
  if (!session.sourceFilePath.assign(work.toStdString() + "/speech.pcm") ||
      !session.processedFilePath.assign(work.toStdString() + "/speech-coded.pcm"))
    return 1;
  {
    CompareFilesDialog dialog(session, files, boxes, &window);
    ok &= save(dialog, out, "compare-files.png");
  }
  {
    LogViewerDialog viewer(work + "/TestLog.log", files, boxes, &window);
    ok &= save(viewer, out, "log-viewer.png");
  }
  QDir(work).removeRecursively();
  return ok ? 0 : 1;
}
