#pragma once

#include <QString>

#include "session/message_presenter.h"

class QWidget;

namespace orvelle {

// What a file dialog offers: the filters shown to the user (separated by
// ";;"), the extension added to a bare name, the file name the dialog starts
// with, and whether a name that does not exist yet needs the user's
// confirmation to be created.
struct FileKind {
  QString filter;
  QString defaultSuffix;
  QString initialName;
  bool askToCreate = false;
};

namespace file_kinds {
// A voice file picked in a settings dialog: headerless samples or a sound
// file the reader decodes.
inline FileKind voiceFile() {
  return {"voice file (*.pcm *.wav *.flac);;all files (*)", "pcm", "*.pcm", false};
}
// The voice file a test signal is written to: a name ending in .wav gets a
// WAV file, any other headerless samples, so FLAC is not offered.
inline FileKind newVoiceFile() { return {"voice file (*.pcm *.wav);;all files (*)", "pcm", "*.pcm", true}; }
// Versioned libraries (libfoo.so.1) are plug-ins too.
inline FileKind codecLibrary() { return {"dll file (*.so *.so.*);;all files (*)", "so", "*.so", false}; }
inline FileKind logFile() { return {"log file (*.log)", "log", "*.log", true}; }
inline FileKind headerFile() { return {"header file (*.h)", "h", "*.h", true}; }
inline FileKind reportFile() { return {"report (*.html)", "html", "*.html", true}; }
}  // namespace file_kinds

// File dialogs as the commands use them. Every command goes through this, so
// a test can answer the dialogs of a whole command script without a display.
// An empty result means the user cancelled. `current` is the path the
// caller's box shows (may be empty or not a path): the dialog opens in its
// folder where that exists.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // A name in an existing folder; the file itself need not exist.
  virtual QString chooseFileToOpen(QWidget* parent, const FileKind& kind, const QString& current) = 0;
  // Replaces an existing file without asking.
  virtual QString chooseFileToSave(QWidget* parent, const FileKind& kind, const QString& current) = 0;
};

// Message boxes, shown on the UI thread; each returns when the user has
// dismissed the box. `details` (may be empty) is the reason behind a
// failure, shown under the fixed text.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                    const QString& details = {}) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool ask(QWidget* parent, const QString& question, const QString& caption) = 0;
};

}  // namespace orvelle
