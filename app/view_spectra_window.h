#pragma once

#include <memory>
#include <optional>

#include <QDialog>

#include "app/audio_output.h"
#include "app/speech_player.h"
#include "app/user_prompts.h"
#include "report/run_report.h"

namespace orvelle {

// Tools > View Spectra: the charts of the last scoring run (both spectra
// and their difference, the main band sets, the speech activity), drawn
// from the same SVG as the HTML report, with the run's inputs and companion
// figures, and "Save Report..." to write that report. Its speech can be
// heard: "Play source", "Play processed" (changing from one to the other
// keeps the place in the speech), "Stop", and "Save processed..." writes
// the processed speech. Without a run it says there is nothing to show yet.
// Everything shown was measured by the run; the window only draws it.
class ViewSpectraWindow : public QDialog {
  Q_OBJECT
 public:
  // `run` and `speech` (both null before any scoring run) must outlive the
  // window; `output` is null on a machine without a sound output device.
  ViewSpectraWindow(const report::RunReport* run, const RunSignals* speech, std::unique_ptr<AudioOutput> output,
                    FileChooser& files, MessageBoxes& boxes, QWidget* parent = nullptr);
  ~ViewSpectraWindow() override;

  SpeechPlayer* player() { return player_ ? &*player_ : nullptr; }

 public slots:
  void saveReport();
  void saveProcessed();

 private:
  QLayout* listenRow(bool canSave);

  const report::RunReport* run_;
  const RunSignals* signals_;
  std::unique_ptr<AudioOutput> output_;
  std::optional<SpeechPlayer> player_;
  FileChooser& files_;
  MessageBoxes& boxes_;
};

}  // namespace orvelle
