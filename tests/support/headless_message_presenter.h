#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "session/message_presenter.h"

namespace orvelle {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

// Message boxes without a window, for tests: each message is kept and handed to an
// optional listener; "dismissing" it is immediate.
class HeadlessMessagePresenter : public MessagePresenter {
 public:
  using Listener = std::function<void(const ShownMessage&)>;

  explicit HeadlessMessagePresenter(Listener listener = {}) : listener_(std::move(listener)) {}

  void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    std::lock_guard lock(mutex_);
    shown_.push_back({text, caption, icon});
    if (listener_) listener_(shown_.back());
  }

  std::vector<ShownMessage> shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<ShownMessage> shown_;
  Listener listener_;
};

}  // namespace orvelle
