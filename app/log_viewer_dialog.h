#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

#include "app/user_prompts.h"
#include "app/utf8_lines.h"

class QLabel;
class QPlainTextEdit;

namespace orvelle {

// Shows the measurement log of the last scoring run, or any other log, as
// plain editable UTF-8 text, and saves the text under a name of the user's
// choice. It knows nothing of the log's format.
class LogViewerDialog : public QDialog {
  Q_OBJECT
 public:
  // Loads `currentLogPath` at once; a missing log is reported before the
  // viewer appears.
  LogViewerDialog(QString currentLogPath, FileChooser& files, MessageBoxes& boxes, QWidget* parent = nullptr);

  void loadCurrent();
  void loadFrom();
  void saveAs();

  // The text as the box holds it, lines separated by "\n".
  QString text() const;
  QString pathLabel() const;

 private:
  bool loadFile(const QString& path);
  QByteArray bytesToSave() const;
  void reportOpenFailure(const QString& path, const QString& reason);

  QString currentLogPath_;
  FileChooser& files_;
  MessageBoxes& boxes_;
  QLabel* pathLabel_;
  QPlainTextEdit* textBox_;
  // What the last load put into the box, byte for byte, and the line end it
  // used: an unedited text is saved exactly as it was read, and an edited
  // one keeps the file's own line ends and the bytes of lines not edited.
  QByteArray loadedBytes_;
  Utf8Lines lines_;
  QByteArray lineEnd_ = "\n";
};

}  // namespace orvelle
