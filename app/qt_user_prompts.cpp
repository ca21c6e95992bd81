#include "app/qt_user_prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace orvelle {

QtFileChooser::QtFileChooser()
    : runDialog_([](QFileDialog& dialog) { return dialog.exec(); }),
      askToCreate_([](QWidget* parent, const QString& path) {
        return QMessageBox::question(parent, QStringLiteral("Orvelle"),
                                     path + QStringLiteral("\nThis file does not exist.\nCreate the file?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
      }) {}

QString QtFileChooser::choose(QWidget* parent, const FileKind& kind, bool save) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Any name in an existing folder: the file itself may be new.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(kind.filter);
  dialog.setDefaultSuffix(kind.defaultSuffix);
  // The name box starts with the kind's pattern (such as "*.pcm").
  dialog.selectFile(kind.initialName);
  // Saving over an existing file is the expected use (logs, signals,
  // headers are regenerated), so no overwrite prompt.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  for (;;) {
    if (runDialog_(dialog) != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    const QString& path = chosen.front();
    if (!kind.askToCreate || QFileInfo::exists(path) || askToCreate_(parent, path)) return path;
    // Not to be created: the user chooses again.
  }
}

QString QtFileChooser::chooseFileToOpen(QWidget* parent, const FileKind& kind) { return choose(parent, kind, false); }

QString QtFileChooser::chooseFileToSave(QWidget* parent, const FileKind& kind) { return choose(parent, kind, true); }

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
