#pragma once

#include <QDialog>

#include "app/settings_widgets.h"
#include "app/user_prompts.h"

class QLineEdit;
class QPushButton;

namespace orvelle {

class TestSession;

// Settings of Compare codecs: the speech source and the two codec plug-ins.
// Unlike the Codec Quality settings, a changed source type is stored only on
// OK; browsed paths are stored at once.
class CodecComparisonSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  CodecComparisonSettingsDialog(TestSession& session, FileChooser& files, MessageBoxes& boxes,
                                QWidget* parent = nullptr);

  void accept() override;

 private:
  TestSession& session_;
  FileChooser& files_;
  MessageBoxes& boxes_;
  SourceRow source_;
  QLineEdit* sourceCodecPath_;
  QPushButton* sourceCodecBrowse_;
  QLineEdit* testedCodecPath_;
  QPushButton* testedCodecBrowse_;
};

}  // namespace orvelle
