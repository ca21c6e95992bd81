#include "app/qt_user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace orvelle {

namespace {

QString runFileDialog(QWidget* parent, const FileKind& kind, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  // Any name in an existing folder: the file itself may be new.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(kind.filter);
  dialog.setDefaultSuffix(kind.defaultSuffix);
  // Saving over an existing file is the expected use (logs, signals,
  // headers are regenerated), so no overwrite prompt.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace

QString QtFileChooser::chooseFileToOpen(QWidget* parent, const FileKind& kind) {
  return runFileDialog(parent, kind, QFileDialog::AcceptOpen);
}

QString QtFileChooser::chooseFileToSave(QWidget* parent, const FileKind& kind) {
  return runFileDialog(parent, kind, QFileDialog::AcceptSave);
}

void QtMessageBoxes::show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                          const QString& details) {
  QMessageBox box(parent);
  switch (icon) {
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
  }
  box.setWindowTitle(caption);
  box.setText(text);
  if (!details.isEmpty()) box.setInformativeText(details);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

}  // namespace orvelle
