#pragma once

#include <functional>
#include <string>

#include "app/ui_thread_queue.h"
#include "app/user_prompts.h"
#include "session/message_presenter.h"

class QWidget;

namespace orvelle {

// The engine's error box, shown by the UI thread over `parent`. The worker
// that reports a failure waits here until the user has dismissed the box.
class QtMessagePresenter : public MessagePresenter {
 public:
  // `details` is asked, on the UI thread, for the reason behind the message
  // (the worker is blocked meanwhile, so reading engine state is safe).
  QtMessagePresenter(QWidget* parent, MessageBoxes& boxes, std::function<std::string()> details = {});

  void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

 private:
  QWidget* parent_;
  MessageBoxes& boxes_;
  std::function<std::string()> details_;
  UiThreadQueue queue_;
};

}  // namespace orvelle
