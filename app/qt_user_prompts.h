#pragma once

#include "app/user_prompts.h"

namespace orvelle {

class QtFileChooser : public FileChooser {
 public:
  QString chooseFileToOpen(QWidget* parent, const FileKind& kind) override;
  QString chooseFileToSave(QWidget* parent, const FileKind& kind) override;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
            const QString& details) override;
};

}  // namespace orvelle
