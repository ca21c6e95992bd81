#pragma once

#include <QString>

#include "session/message_presenter.h"

class QWidget;

namespace orvelle {

// What a file dialog offers: the filter shown to the user, the extension
// added to a bare name, and the file name the dialog starts with.
struct FileKind {
  QString filter;
  QString defaultSuffix;
  QString initialName;
};

namespace file_kinds {
inline FileKind voiceFile() { return {"voice file (*.pcm)", "pcm", "*.pcm"}; }
inline FileKind codecLibrary() { return {"dll file (*.so)", "so", "*.so"}; }
inline FileKind logFile() { return {"log file (*.log)", "log", "*.log"}; }
inline FileKind headerFile() { return {"header file (*.h)", "h", "*.h"}; }
}  // namespace file_kinds

// File dialogs as the commands use them. Every command goes through this, so
// a test can answer the dialogs of a whole command script without a display.
// An empty result means the user cancelled.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // A name in an existing folder; the file itself need not exist.
  virtual QString chooseFileToOpen(QWidget* parent, const FileKind& kind) = 0;
  // Replaces an existing file without asking.
  virtual QString chooseFileToSave(QWidget* parent, const FileKind& kind) = 0;
};

// Message boxes with one OK button, shown on the UI thread; returns when the
// user has dismissed the box. `details` (may be empty) is the reason behind a
// failure, shown under the fixed text.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                    const QString& details = {}) = 0;
};

}  // namespace orvelle
