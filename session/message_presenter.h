#pragma once

#include <string>

namespace orvelle {

enum class MessageIcon { Error, Warning, Information };

// Shows a message box with one OK button and returns when it is dismissed.
// Operations report their failures through it from the worker thread.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

}  // namespace orvelle
