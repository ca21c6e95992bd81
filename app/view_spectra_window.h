#pragma once

#include <QDialog>

#include "app/user_prompts.h"
#include "report/run_report.h"

class QPushButton;

namespace orvelle {

// Tools > View Spectra: the charts of the last scoring run (both spectra
// and their difference, the main band sets, the speech activity), drawn
// from the same SVG as the HTML report, and "Save Report..." to write that
// report. Without a run it says there is nothing to show yet. Everything
// shown was measured by the run; the window only draws it.
class ViewSpectraWindow : public QDialog {
  Q_OBJECT
 public:
  // `run` (may be null: no scoring run yet) must outlive the window.
  ViewSpectraWindow(const report::RunReport* run, FileChooser& files, MessageBoxes& boxes, QWidget* parent = nullptr);

 public slots:
  void saveReport();

 private:
  const report::RunReport* run_;
  FileChooser& files_;
  MessageBoxes& boxes_;
};

}  // namespace orvelle
