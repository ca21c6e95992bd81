#pragma once

#include <functional>

#include "app/user_prompts.h"

class QFileDialog;

namespace orvelle {

class QtFileChooser : public FileChooser {
 public:
  // Shows the configured file dialog modally and returns its result.
  using DialogRunner = std::function<int(QFileDialog&)>;
  // Asks whether `path`, which does not exist, is to be created.
  using CreateQuestion = std::function<bool(QWidget* parent, const QString& path)>;

  QtFileChooser();

  // Tests answer the dialogs through these instead of a user.
  void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
  void setCreateQuestion(CreateQuestion question) { askToCreate_ = std::move(question); }

  QString chooseFileToOpen(QWidget* parent, const FileKind& kind) override;
  QString chooseFileToSave(QWidget* parent, const FileKind& kind) override;

 private:
  QString choose(QWidget* parent, const FileKind& kind, bool save);

  DialogRunner runDialog_;
  CreateQuestion askToCreate_;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
            const QString& details) override;
};

}  // namespace orvelle
