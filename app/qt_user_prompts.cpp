#include "app/qt_user_prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace orvelle {

namespace {
bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }
}  // namespace

QString dialogStartFolder(const QString& current, const QString& lastFolder) {
  // A box may show a text that is no path ("Internal Source"); a relative
  // name would wrongly resolve against the current folder.
  if (QDir::isAbsolutePath(current)) {
    const QString folder = QFileInfo(current).absolutePath();
    if (isFolder(folder)) return folder;
  }
  return isFolder(lastFolder) ? lastFolder : QString();
}

QtFileChooser::QtFileChooser()
    : runDialog_([](QFileDialog& dialog) { return dialog.exec(); }),
      askToCreate_([](QWidget* parent, const QString& path) {
        return QMessageBox::question(parent, QStringLiteral("Orvelle"),
                                     path + QStringLiteral("\nThis file does not exist.\nCreate the file?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
      }),
      noticeMissingFolder_([](QWidget* parent, const QString& folder) {
        QMessageBox::warning(parent, QStringLiteral("Orvelle"),
                             folder + QStringLiteral("\nThis folder does not exist.\nChoose a name in an existing folder."));
      }) {}

QString QtFileChooser::choose(QWidget* parent, const FileKind& kind, const QString& current, bool save) {
  QFileDialog dialog(parent);
  // Qt's own dialog, so that it lists folders with the icon provider below,
  // which never reads a file: the dialog stays responsive in /proc, /sys and
  // /dev.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setIconProvider(&iconProvider_);
  if (const QString folder = dialogStartFolder(current, lastFolder_); !folder.isEmpty()) dialog.setDirectory(folder);
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
    const QString folder = QFileInfo(path).absolutePath();
    // Qt's dialog takes any name; one in a folder that does not exist would
    // only fail later, when the file is used.
    if (!save && !isFolder(folder)) {
      noticeMissingFolder_(parent, folder);
      continue;
    }
    if (!kind.askToCreate || QFileInfo::exists(path) || askToCreate_(parent, path)) {
      lastFolder_ = folder;
      return path;
    }
    // Not to be created: the user chooses again.
  }
}

QString QtFileChooser::chooseFileToOpen(QWidget* parent, const FileKind& kind, const QString& current) {
  return choose(parent, kind, current, false);
}

QString QtFileChooser::chooseFileToSave(QWidget* parent, const FileKind& kind, const QString& current) {
  return choose(parent, kind, current, true);
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

bool QtMessageBoxes::ask(QWidget* parent, const QString& question, const QString& caption) {
  return QMessageBox::question(parent, caption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace orvelle
