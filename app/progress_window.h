#pragma once

#include <atomic>
#include <cstdint>

#include <QDialog>

#include "app/ui_thread_queue.h"
#include "session/progress_dialog.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvelle {

// The modal window shown while one operation runs on its worker. The worker
// and the progress monitor call the ProgressDialog side from their threads;
// every call is carried over to the UI thread, so no widget is touched from
// anywhere else. Only the worker ends the window: Escape and the window's
// close request do nothing, and there is no close button, except while the
// operation waits inside plug-in code: then a Stop button, the close box and
// Escape all end the plug-in, so that a hung one never leaves the user stuck.
class ProgressWindow : public QDialog, public ProgressDialog {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* owner);

  // ProgressDialog, callable from any thread.
  void setOperationText(const std::string& text) override;
  void setRange(std::int32_t total) override;
  std::int32_t rangeUpper() const override;
  void setPosition(std::int32_t value) override;
  void setCaption(const std::string& text) override;
  void close() override;
  void offerStop(std::function<void()> stop) override;
  void withdrawStop() override;

  // UI thread: whether the worker has asked the window to end.
  bool closeRequested() const { return closeRequested_; }
  QString operationText() const;
  int barMaximum() const;
  int barPosition() const;
  bool stopOffered() const { return static_cast<bool>(stop_); }
  bool closeBoxShown() const;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void finishIfRequested();
  void showCloseBox(bool shown);
  void stopPlugIn();

  UiThreadQueue queue_;
  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* stopButton_;
  std::function<void()> stop_;  // UI thread only
  // The synthesiser reads the range back on the worker right after setting
  // it, before the UI thread may have applied it to the bar.
  std::atomic<std::int32_t> rangeUpper_;
  bool closeRequested_ = false;  // UI thread only
};

}  // namespace orvelle
