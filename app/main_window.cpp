#include "app/main_window.h"

#include <cstdio>

#include <QContextMenuEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QVBoxLayout>

#include "app/about_dialog.h"
#include "app/app_resources.h"
#include "app/codec_comparison_settings_dialog.h"
#include "app/codec_quality_settings_dialog.h"
#include "app/compare_files_dialog.h"
#include "app/log_viewer_dialog.h"
#include "app/operation_runner.h"
#include "app/sound_card_output.h"
#include "app/view_spectra_window.h"
#include "audio_io/measurement_log_file.h"
#include "audio_io/voice_file_reader.h"
#include "report/run_inputs.h"
#include "session/codec_header.h"
#include "session/result_text.h"

namespace orvelle {

namespace {

constexpr int kClockPeriodMs = 500;
constexpr int kClockPointSize = 30;

QString resultText(const char* measure, double percent) {
  return QString::fromStdString(qualityResultText(measure, percent));
}

}  // namespace

MainWindow::MainWindow(TestSession& session, FileChooser& files, MessageBoxes& boxes, Clock clock, QWidget* parent)
    // A caption with the window menu and its close box; no minimise or
    // maximise box.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      session_(session),
      files_(files),
      boxes_(boxes),
      clock_(std::move(clock)),
      presenter_(this, boxes, [this] { return session_.failureReason(); }),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }),
      runOperation_([this](OperationRequest& request, std::int32_t op) {
        return runWithProgress(session_, request, op, this);
      }),
      runLoad_([this](const std::function<bool()>& load, const std::function<void()>& stop) {
        return runStoppableWithProgress("Load Codec", load, stop, this);
      }),
      openAudioOutput_(&SoundCardOutput::openDefault) {
  loadAppResources();
  setObjectName("mainWindow");
  setWindowTitle("Orvelle");
  QIcon icon;
  icon.addFile(":/orvelle/icon-32.png", QSize(32, 32));
  icon.addFile(":/orvelle/icon-16.png", QSize(16, 16));
  setWindowIcon(icon);

  auto* layout = new QVBoxLayout(this);
  buildMenu(layout);
  clockLabel_ = new QLabel("12:10:45", this);
  clockLabel_->setObjectName("clock");
  clockLabel_->setAlignment(Qt::AlignCenter);
  // One font for the life of the window; the face falls back to the
  // platform's substitute where "Counter" is not installed.
  QFont clockFont("Counter", kClockPointSize);
  clockFont.setStyleHint(QFont::Monospace);
  clockLabel_->setFont(clockFont);
  clockLabel_->setMinimumSize(300, 120);
  layout->addWidget(clockLabel_, 1);
  setFixedSize(sizeHint());

  connect(&timer_, &QTimer::timeout, this, &MainWindow::tick);
  timer_.start(kClockPeriodMs);
  // The first tick is not awaited: the clock reads the time when it appears.
  tick();
}

void MainWindow::buildMenu(QVBoxLayout* layout) {
  auto* bar = new QMenuBar(this);
  // Each '&' marks the letter that opens or runs the entry with the keyboard
  // (Alt+F, Alt+T, Alt+O for the menus); it is not shown as text.
  QMenu* filesMenu = bar->addMenu("&Files");
  filesMenu->addAction("&About", this, &MainWindow::showAbout);
  filesMenu->addAction("E&xit", this, &QDialog::reject);
  QMenu* tests = bar->addMenu("&Tests");
  tests->addAction("&Codec Quality", this, &MainWindow::codecQuality);
  tests->addAction("Compare c&odecs", this, &MainWindow::compareCodecs);
  tests->addAction("Compare &Files", this, &MainWindow::compareFiles);
  QMenu* tools = bar->addMenu("T&ools");
  tools->addAction("Generate &Dll Header", this, &MainWindow::generateDllHeader);
  tools->addAction("&View Log File", this, &MainWindow::viewLogFile);
  QMenu* signal = tools->addMenu("Generate Test &Signal");
  signal->addAction("&Short", this, [this] { generateTestSignal(0); });
  signal->addAction("&Normal", this, [this] { generateTestSignal(1); });
  signal->addAction("&Long", this, [this] { generateTestSignal(2); });
  tools->addAction("View S&pectra", this, &MainWindow::viewSpectra);
  layout->setMenuBar(bar);
}

QString MainWindow::clockText() const { return clockLabel_->text(); }

void MainWindow::tick() {
  const QTime now = clock_();
  char text[16];
  std::snprintf(text, sizeof text, "%.2i:%.2i:%.2i", now.hour(), now.minute(), now.second());
  clockLabel_->setText(QString::fromLatin1(text));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // The window has no buttons; Enter and Escape end it just as Exit does.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
  // Linux window managers offer no window menu to extend; the About entry
  // lives in the window's own context menu instead.
  QMenu menu(this);
  menu.addAction("&About", this, &MainWindow::showAbout);
  menu.exec(event->globalPos());
}

void MainWindow::showAbout() {
  AboutDialog dialog(this);
  runDialog_(dialog);
}

WindowSteps MainWindow::steps(std::function<bool()> confirmInputs) {
  return WindowSteps(
      presenter_, runOperation_, runLoad_, [this](const char* message) { showLoadFailure(message); },
      std::move(confirmInputs));
}

void MainWindow::showLoadFailure(const QString& text) {
  boxes_.show(this, text, "Error", MessageIcon::Error, QString::fromStdString(session_.failureReason()));
}

bool MainWindow::agreedToConvert(std::initializer_list<std::pair<const char*, std::string>> files) {
  session_.otherVoiceFormats = OtherFormats::refuse;
  bool asked = false;
  for (const auto& [role, path] : files) {
    std::string what;
    if (!needsResampling(path.c_str(), what)) continue;
    const QString file = *role == '\0' ? QStringLiteral("voice file") : QString(role) + " voice file";
    const QString question = "The " + file + " \"" + QString::fromStdString(path) + "\" is " +
                             QString::fromStdString(what) + ". Convert it to 8000 Hz mono for this measurement?";
    if (!boxes_.ask(this, question, "Voice file")) return false;
    asked = true;
  }
  if (asked) session_.otherVoiceFormats = OtherFormats::resample;
  return true;
}

QString MainWindow::conversionDetails(const engine::Measurement& measurement) {
  QStringList notes;
  for (const std::string& note : measurement.conversionNotes) notes << QString::fromStdString(note);
  return notes.join('\n');
}

void MainWindow::keepLastRun(const char* measure, engine::Measurement measurement,
                             std::vector<report::ReportInput> inputs) {
  lastRun_ = report::RunReport{measure, std::move(inputs), measurement.score, measurement.analysis};
  const CompanionFigures& companion = measurement.analysis.companion;
  lastSignals_ = RunSignals{std::move(measurement.source), std::move(measurement.processed),
                            companion.measured ? companion.delaySamples : 0};
}

void MainWindow::viewSpectra() {
  const bool heard = lastRun_ && !lastSignals_.source.empty();
  ViewSpectraWindow window(lastRun_ ? &*lastRun_ : nullptr, lastRun_ ? &lastSignals_ : nullptr,
                           heard ? openAudioOutput_() : nullptr, files_, boxes_, this);
  runDialog_(window);
}

void MainWindow::codecQuality() {
  CodecQualitySettingsDialog dialog(session_, files_, boxes_, this);
  if (runDialog_(dialog) != QDialog::Accepted) return;
  WindowSteps run = steps([this] {
    return session_.sourceType == 0 || agreedToConvert({{"", session_.voiceFilePath.str()}});
  });
  // The job puts the file a bare name was found as in the session's box.
  const std::string pluginName = session_.codecPath.str();
  // The plug-in stays loaded (Generate Test Signal needs it); the buffers go.
  // Every failure has been shown by the time the job returns.
  engine::CodecQualityOptions options;
  options.scoring.keepSignals = true;
  engine::Result<engine::CodecQualityRun> result = engine::codecQuality(session_, run, options);
  if (!result.ok()) return;
  const QString text = resultText("Codec Quality", result.value().measurement.score);
  QString details = conversionDetails(result.value().measurement);
  if (result.value().commandOutput) {
    const QString note = QString::fromStdString(outputFitNote(*result.value().commandOutput));
    if (!note.isEmpty()) details += (details.isEmpty() ? QString() : QStringLiteral("\n")) + note;
  }
  keepLastRun("Codec Quality", std::move(result.value().measurement),
              report::codecQualityInputs(pluginName, result.value().pluginFile, result.value().frameSize,
                                         session_.sourceType != 0 ? session_.voiceFilePath.str() : std::string(),
                                         session_.sizeType));
  boxes_.show(this, text, "Codec Quality", MessageIcon::Information, details);
}

void MainWindow::compareCodecs() {
  CodecComparisonSettingsDialog dialog(session_, files_, boxes_, this);
  if (runDialog_(dialog) != QDialog::Accepted) return;
  // A successful comparison ends without a message; its buffers stay in the
  // session until the next comparison replaces them.
  WindowSteps run = steps();
  engine::CompareCodecsOptions options;
  options.sizeType = session_.sizeType;
  engine::compareCodecs(session_, run, options);
}

void MainWindow::compareFiles() {
  CompareFilesDialog dialog(session_, files_, boxes_, this);
  if (runDialog_(dialog) != QDialog::Accepted) return;
  WindowSteps run = steps([this] {
    return agreedToConvert(
        {{"source", session_.sourceFilePath.str()}, {"processed", session_.processedFilePath.str()}});
  });
  engine::ScoringOptions options;
  options.keepSignals = true;
  engine::Result<engine::Measurement> result = engine::compareFiles(session_, run, options);
  if (!result.ok()) return;
  const QString text = resultText("File Quality", result.value().score);
  const QString details = conversionDetails(result.value());
  std::vector<report::ReportInput> inputs = report::compareFilesInputs(
      session_.sourceFilePath.str(), session_.processedFilePath.str(), result.value().conversionNotes);
  keepLastRun("File Quality", std::move(result.value()), std::move(inputs));
  boxes_.show(this, text, "Codec Quality", MessageIcon::Information, details);
}

void MainWindow::generateDllHeader() {
  const QString path = files_.chooseFileToSave(this, file_kinds::headerFile(), {});
  if (path.isEmpty()) return;
  // Any failure, also one after the file was opened, is reported: a header
  // cut short must not be announced as written.
  std::string reason;
  if (!writeCodecHeader(path.toStdString(), &reason)) {
    boxes_.show(this, "Header file can't be writed!", "Error", MessageIcon::Error,
                reason.empty() ? path : QString::fromStdString(reason));
    return;
  }
  boxes_.show(this, "Header file writed!", "Information", MessageIcon::Information);
}

void MainWindow::viewLogFile() {
  LogViewerDialog dialog(QString::fromStdString(defaultMeasurementLogPath()), files_, boxes_, this);
  runDialog_(dialog);
}

void MainWindow::generateTestSignal(int sizeType) {
  if (!session_.isCodecLoaded()) {
    boxes_.show(this, "It is impossible to generate a signal. Dll isn't selected or loaded.", "Error",
                MessageIcon::Warning);
    return;
  }
  const QString path = files_.chooseFileToSave(this, file_kinds::newVoiceFile(), {});
  if (path.isEmpty()) return;
  WindowSteps run = steps();
  if (!engine::generateSignal(session_, run, sizeType, path.toStdString()).ok()) return;
  boxes_.show(this, "The test signal is successfully synthesized and saved.", "Message", MessageIcon::Information);
}

}  // namespace orvelle
