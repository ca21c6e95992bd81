// Scores one voice file against another and saves a picture of the View
// Spectra window showing that run, for the documentation.
// tools/make-doc-screenshots.sh runs it under a virtual display.
//
//   orvelle_spectra_screenshot <picture.png> <source voice file> <processed voice file>
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QWindow>

#include "engine/jobs.h"
#include "app/orvelle_application.h"
#include "app/view_spectra_window.h"
#include "report/run_inputs.h"

namespace {

using namespace orvelle;

class NoFiles : public FileChooser {
 public:
  QString chooseFileToOpen(QWidget*, const FileKind&, const QString&) override { return {}; }
  QString chooseFileToSave(QWidget*, const FileKind&, const QString&) override { return {}; }
};

class NoBoxes : public MessageBoxes {
 public:
  void show(QWidget*, const QString&, const QString&, MessageIcon, const QString&) override {}
  bool ask(QWidget*, const QString&, const QString&) override { return false; }
};

// The picture shows the window as on a machine with sound; nothing is played.
class SilentOutput : public AudioOutput {
 public:
  void play(std::span<const std::int16_t>, std::int64_t) override {}
  void stop() override {}
  bool playing() const override { return false; }
  std::int64_t position() const override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: orvelle_spectra_screenshot PICTURE.png SOURCE PROCESSED\n");
    return 2;
  }
  // The run is measured before any window exists, as the program's worker
  // would; the window only draws what it left.
  engine::ScoringOptions options;
  options.logPath = "";
  options.keepSignals = true;
  const engine::Result<engine::Measurement> measured =
      engine::compareFiles(argv[2], argv[3], false, options, engine::noProgress(), engine::neverCancelled());
  if (!measured.ok()) {
    std::fprintf(stderr, "%s\n", measured.error().text().c_str());
    return 1;
  }
  report::RunReport run;
  run.measure = "File Quality";
  run.score = measured.value().score;
  run.analysis = measured.value().analysis;
  run.inputs = report::compareFilesInputs(argv[2], argv[3], {});
  const CompanionFigures& companion = measured.value().analysis.companion;
  const RunSignals speech{measured.value().source, measured.value().processed,
                          companion.measured ? companion.delaySamples : 0};

  OrvelleApplication app(argc, argv);
  NoFiles files;
  NoBoxes boxes;
  ViewSpectraWindow window(&run, &speech, std::make_unique<SilentOutput>(), files, boxes);
  window.resize(window.sizeHint().width(), 760);
  window.show();
  // Until the window manager has framed the window and it has painted.
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 2000 && !(window.windowHandle() && window.windowHandle()->isExposed())) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  while (clock.elapsed() < 2500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  // The window with the frame its window manager gave it.
  const QRect frame = window.frameGeometry();
  const bool saved = window.screen()
                         ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                         .save(QString::fromLocal8Bit(argv[1]));
  std::printf("%s %s\n", saved ? "saved" : "FAILED", argv[1]);
  return saved ? 0 : 1;
}
