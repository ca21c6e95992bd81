#include "app/qt_user_prompts.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include "platform/startup_directory.h"

namespace orvelle {

namespace {

bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

// The window a box belongs over: the parent's, or, while that is not on
// screen yet (a dialog still being set up), the nearest one that is.
QWidget* ownerOnScreen(QWidget* parent) {
  QWidget* owner = parent != nullptr ? parent->window() : nullptr;
  while (owner != nullptr && !owner->isVisible()) {
    owner = owner->parentWidget() != nullptr ? owner->parentWidget()->window() : nullptr;
  }
  return owner != nullptr ? owner : QApplication::activeWindow();
}

// Each line of the box's texts, up to kLongestLine characters (a path, say),
// fits on one line of its label rather than breaking at every "/".
constexpr int kLongestLine = 80;

void widenForLines(QMessageBox& box) {
  const int limit = box.screen() != nullptr ? box.screen()->availableGeometry().width() * 9 / 10 : 1000;
  for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
    auto* label = box.findChild<QLabel*>(name);
    if (label == nullptr) continue;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : label->text().split('\n')) {
      widest = std::max(widest, metrics.horizontalAdvance(line.left(kLongestLine)) + 2 * metrics.averageCharWidth());
    }
    label->setMinimumWidth(std::min(widest, limit));
  }
}

// Shows `box` modally and gives the keyboard back to its owner afterwards:
// closing a box must not leave the program without focus.
int runBox(QMessageBox& box, QWidget* owner) {
  widenForLines(box);
  const int answer = box.exec();
  if (owner != nullptr && owner->isVisible()) {
    owner->raise();
    owner->activateWindow();
  }
  return answer;
}

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

QString saveStartFolder(const QString& current, const QString& lastSaveFolder) {
  if (const QString folder = dialogStartFolder(current, lastSaveFolder); !folder.isEmpty()) return folder;
  const QString startup = QString::fromStdString(platform::startupDirectory());
  return isFolder(startup) ? QFileInfo(startup).absoluteFilePath() : QString();
}

QString asTyped(const QString& chosen, const FileKind& kind) {
  // The dialog adds the default extension to a name without one, whatever
  // the filter; a file that exists under the name as typed is meant as it is.
  const QString added = '.' + kind.defaultSuffix;
  if (kind.defaultSuffix.isEmpty() || !chosen.endsWith(added) || QFileInfo::exists(chosen)) return chosen;
  const QString typed = chosen.chopped(added.size());
  return QFileInfo(typed).isFile() ? typed : chosen;
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
  const QString start = save ? saveStartFolder(current, lastSaveFolder_) : dialogStartFolder(current, lastFolder_);
  if (!start.isEmpty()) dialog.setDirectory(start);
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
    const QString path = asTyped(chosen.front(), kind);
    const QString folder = QFileInfo(path).absolutePath();
    // Qt's dialog takes any name; one in a folder that does not exist would
    // only fail later, when the file is used.
    if (!save && !isFolder(folder)) {
      noticeMissingFolder_(parent, folder);
      continue;
    }
    // A new name to save under is what a save dialog is for: no question.
    if (save || !kind.askToCreate || QFileInfo::exists(path) || askToCreate_(parent, path)) {
      lastFolder_ = folder;
      if (save) lastSaveFolder_ = folder;
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
  QWidget* owner = ownerOnScreen(parent);
  QMessageBox box(owner);
  switch (icon) {
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
  }
  box.setWindowTitle(caption);
  box.setText(text);
  if (!details.isEmpty()) box.setInformativeText(details);
  box.setStandardButtons(QMessageBox::Ok);
  runBox(box, owner);
}

bool QtMessageBoxes::ask(QWidget* parent, const QString& question, const QString& caption) {
  QWidget* owner = ownerOnScreen(parent);
  QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::No);
  return runBox(box, owner) == QMessageBox::Yes;
}

}  // namespace orvelle
