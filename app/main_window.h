#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include <functional>
#include <memory>
#include <optional>

#include <QDialog>
#include <QTime>
#include <QTimer>

#include "app/audio_output.h"
#include "app/qt_message_presenter.h"
#include "app/speech_player.h"
#include "app/user_prompts.h"
#include "app/window_steps.h"
#include "engine/jobs.h"
#include "report/run_report.h"
#include "session/operation_request.h"
#include "session/test_session.h"

class QLabel;
class QVBoxLayout;

namespace orvelle {

// The program's one main window: a large clock under a menu of every test
// and tool. Each command runs its whole script here, on the UI thread:
// settings dialog, plug-in loading, operations through the progress window,
// and the closing message.
class MainWindow : public QDialog {
  Q_OBJECT
 public:
  using Clock = std::function<QTime()>;
  // Shows a modal dialog and returns its result. Commands open every
  // dialog through it so a test can operate the dialog instead of a user.
  using DialogRunner = std::function<int(QDialog&)>;

  MainWindow(TestSession& session, FileChooser& files, MessageBoxes& boxes, Clock clock = &QTime::currentTime,
             QWidget* parent = nullptr);

  // Runs one numbered operation and returns the request's `failed`; the
  // default is the progress-window protocol (runWithProgress).
  using OperationRunner = std::function<std::int32_t(OperationRequest&, std::int32_t)>;

  void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
  void setOperationRunner(OperationRunner runner) { runOperation_ = std::move(runner); }
  // Runs a plug-in load; the default is a progress window with Stop, the
  // load on a worker thread.
  void setLoadRunner(WindowSteps::LoadRunner runner) { runLoad_ = std::move(runner); }
  // Opens where View Spectra plays speech; null when the machine has no
  // sound output. The default is the system's default output device.
  using AudioOutputOpener = std::function<std::unique_ptr<AudioOutput>()>;
  void setAudioOutputOpener(AudioOutputOpener opener) { openAudioOutput_ = std::move(opener); }
  MessagePresenter& presenter() { return presenter_; }

  QString clockText() const;

 public slots:
  void showAbout();
  void codecQuality();
  void compareCodecs();
  void compareFiles();
  void generateDllHeader();
  void viewLogFile();
  void generateTestSignal(int sizeType);
  void viewSpectra();
  void tick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void buildMenu(QVBoxLayout* layout);
  // How this window runs a job's steps; `confirmInputs` (may be empty) is
  // asked before the first operation.
  WindowSteps steps(std::function<bool()> confirmInputs = {});
  void showLoadFailure(const QString& text);
  // Asks before each voice file in another sound format is converted for
  // the measurement, and sets how the session reads them; false if the user
  // declines one. Each file is a role ("source", or empty) and a path.
  bool agreedToConvert(std::initializer_list<std::pair<const char*, std::string>> files);
  // What the conversions of a run did, for its result box.
  static QString conversionDetails(const engine::Measurement& measurement);
  // Keeps what a scoring run measured and the signals it scored, for View
  // Spectra.
  void keepLastRun(const char* measure, engine::Measurement measurement, std::vector<report::ReportInput> inputs);

  TestSession& session_;
  FileChooser& files_;
  MessageBoxes& boxes_;
  Clock clock_;
  QtMessagePresenter presenter_;
  DialogRunner runDialog_;
  OperationRunner runOperation_;
  WindowSteps::LoadRunner runLoad_;
  AudioOutputOpener openAudioOutput_;
  std::optional<report::RunReport> lastRun_;
  RunSignals lastSignals_;
  QLabel* clockLabel_;
  QTimer timer_;
};

}  // namespace orvelle
