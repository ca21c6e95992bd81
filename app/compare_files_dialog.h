#pragma once

#include <QDialog>

#include "app/user_prompts.h"

class QLineEdit;

namespace orvelle {

class TestSession;

// The two voice files of Compare Files: the source and the recoded one.
class CompareFilesDialog : public QDialog {
  Q_OBJECT
 public:
  CompareFilesDialog(TestSession& session, FileChooser& files, MessageBoxes& boxes, QWidget* parent = nullptr);

  void accept() override;

 private:
  TestSession& session_;
  FileChooser& files_;
  MessageBoxes& boxes_;
  QLineEdit* sourcePath_;
  QLineEdit* processedPath_;
};

}  // namespace orvelle
