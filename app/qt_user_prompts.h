#pragma once

#include <functional>

#include "app/name_only_icon_provider.h"
#include "app/user_prompts.h"

class QFileDialog;

namespace orvelle {

// The folder a file dialog opens in: that of `current` (the path a box
// shows) if it is an absolute path in an existing folder, else
// `lastFolder` if that still exists, else empty (the dialog's default).
QString dialogStartFolder(const QString& current, const QString& lastFolder);
// The folder a save dialog opens in: as dialogStartFolder with the folder
// last saved to, else the start-up folder.
QString saveStartFolder(const QString& current, const QString& lastSaveFolder);
// The name the dialog returned, or the name as the user typed it when the
// dialog added the kind's extension to a file that exists without it.
QString asTyped(const QString& chosen, const FileKind& kind);

class QtFileChooser : public FileChooser {
 public:
  // Shows the configured file dialog modally and returns its result.
  using DialogRunner = std::function<int(QFileDialog&)>;
  // Asks whether `path`, which does not exist, is to be created.
  using CreateQuestion = std::function<bool(QWidget* parent, const QString& path)>;
  // Tells the user that `folder`, of a name chosen to open, does not exist.
  using MissingFolderNotice = std::function<void(QWidget* parent, const QString& folder)>;

  QtFileChooser();

  // Tests answer the dialogs through these instead of a user.
  void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
  void setCreateQuestion(CreateQuestion question) { askToCreate_ = std::move(question); }
  void setMissingFolderNotice(MissingFolderNotice notice) { noticeMissingFolder_ = std::move(notice); }

  QString chooseFileToOpen(QWidget* parent, const FileKind& kind, const QString& current) override;
  QString chooseFileToSave(QWidget* parent, const FileKind& kind, const QString& current) override;

  // The folder of the last name chosen in this run; empty before the first.
  // Save dialogs start in the folder last saved to, never in one only
  // opened from (such as the plug-ins' folder).
  const QString& lastFolder() const { return lastFolder_; }

 private:
  QString choose(QWidget* parent, const FileKind& kind, const QString& current, bool save);

  DialogRunner runDialog_;
  CreateQuestion askToCreate_;
  MissingFolderNotice noticeMissingFolder_;
  NameOnlyIconProvider iconProvider_;
  QString lastFolder_;
  QString lastSaveFolder_;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
            const QString& details) override;
  bool ask(QWidget* parent, const QString& question, const QString& caption) override;
};

}  // namespace orvelle
