#pragma once

#include <QDialog>

#include "app/settings_widgets.h"
#include "app/user_prompts.h"

class QLineEdit;
class QPushButton;

namespace orvelle {

class TestSession;

// Settings of the Codec Quality test: the speech source and the codec
// plug-in. Opens with the session's values; OK writes them back. A source
// type picked in the list is stored at once, so it survives Cancel.
class CodecQualitySettingsDialog : public QDialog {
  Q_OBJECT
 public:
  CodecQualitySettingsDialog(TestSession& session, FileChooser& files, MessageBoxes& boxes, QWidget* parent = nullptr);

  void accept() override;

 private:
  TestSession& session_;
  FileChooser& files_;
  MessageBoxes& boxes_;
  SourceRow source_;
  QLineEdit* codecPath_;
  QPushButton* codecBrowse_;
};

}  // namespace orvelle
