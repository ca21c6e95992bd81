#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <deque>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QObject>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include "app/progress_window.h"
#include "app/user_prompts.h"
#include "platform/startup_directory.h"
#include "tests/support/scratch_directory.h"

namespace orvelle::test {

// Answers file dialogs from a script of paths; an empty answer, or no answer
// left, is the user cancelling. Remembers what was asked.
class ScriptedFileChooser : public FileChooser {
 public:
  struct Request {
    bool save;
    QString filter;
    QString defaultSuffix;
    QString initialName;
    bool askToCreate;
    QString current;
  };

  void answer(const QString& path) { answers_.push_back(path); }

  QString chooseFileToOpen(QWidget*, const FileKind& kind, const QString& current) override {
    return next(false, kind, current);
  }
  QString chooseFileToSave(QWidget*, const FileKind& kind, const QString& current) override {
    return next(true, kind, current);
  }

  std::vector<Request> requests;

 private:
  QString next(bool save, const FileKind& kind, const QString& current) {
    requests.push_back({save, kind.filter, kind.defaultSuffix, kind.initialName, kind.askToCreate, current});
    if (answers_.empty()) return {};
    QString path = answers_.front();
    answers_.pop_front();
    return path;
  }

  std::deque<QString> answers_;
};

// Records every message box and what was on screen when it came up.
class RecordingMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    QString text;
    QString caption;
    MessageIcon icon;
    QString details;
    bool onUiThread;
    bool progressWindowOnScreen;
  };

  void show(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
            const QString& details) override {
    bool progressOnScreen = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<ProgressWindow*>(widget) && widget->isVisible()) progressOnScreen = true;
    }
    shown.push_back({text, caption, icon, details, QThread::currentThread() == qApp->thread(), progressOnScreen});
  }
  bool ask(QWidget*, const QString& question, const QString&) override {
    questions.push_back(question);
    return agree;
  }

  std::vector<Shown> shown;
  std::vector<QString> questions;
  bool agree = true;  // the answer to every question
};

// Counts the progress windows that appear while it exists: each one is an
// operation that was run.
class ProgressWindowCounter : public QObject {
 public:
  ProgressWindowCounter() { qApp->installEventFilter(this); }
  ~ProgressWindowCounter() override { qApp->removeEventFilter(this); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && qobject_cast<ProgressWindow*>(watched)) {
      // A plug-in load has a window of its own; `shown` counts operations.
      if (watched->objectName() == "loadProgressWindow") {
        ++loads;
        return false;
      }
      ++shown;
      captions.push_back(static_cast<QWidget*>(watched)->windowTitle());
    }
    return false;
  }

  int shown = 0;
  int loads = 0;
  std::vector<QString> captions;
};

// Points the start-up directory, where every scoring run writes its
// measurement log, at `folder` while it lives.
class StartupDirectoryAt {
 public:
  explicit StartupDirectoryAt(const ScratchDirectory& folder) : saved_(platform::startupDirectory()) {
    platform::setStartupDirectory(folder.prefix());
  }
  ~StartupDirectoryAt() { platform::setStartupDirectory(saved_); }
  StartupDirectoryAt(const StartupDirectoryAt&) = delete;
  StartupDirectoryAt& operator=(const StartupDirectoryAt&) = delete;

 private:
  std::string saved_;
};

template <typename Widget>
Widget* child(QObject& parent, const char* name) {
  Widget* found = parent.findChild<Widget*>(QString::fromLatin1(name));
  if (found == nullptr) throw std::runtime_error(std::string("no child named ") + name);
  return found;
}

inline void click(QObject& parent, const char* button) { child<QPushButton>(parent, button)->click(); }

// A voice file of `seconds` of a speech-like test signal: bursts of a
// modulated tone separated by pauses, so the activity detector finds speech.
inline void writeVoiceFile(const std::string& path, int seconds) {
  std::string bytes;
  const int count = seconds * 8000;
  std::uint32_t noise = 12345;
  for (int i = 0; i < count; ++i) {
    const bool talking = (i / 4000) % 2 == 0;
    noise = noise * 1664525u + 1013904223u;
    const double tone = 6000.0 * std::sin(i * 0.37) * std::sin(i * 0.0031);
    const double hiss = static_cast<double>(static_cast<std::int32_t>(noise >> 16) - 32768) / 64.0;
    const auto sample = static_cast<std::int16_t>(talking ? tone + hiss : hiss / 8.0);
    bytes.push_back(static_cast<char>(sample & 0xff));
    bytes.push_back(static_cast<char>((sample >> 8) & 0xff));
  }
  writeWholeFile(path, bytes);
}

}  // namespace orvelle::test
