#include "session/session_text.h"

namespace orvelle {

std::string textTooLongMessage(std::string_view what, std::string_view text) {
  std::string message(what);
  message += " is too long (";
  message += std::to_string(text.size());
  message += " characters; at most ";
  message += std::to_string(SessionText::kCapacity);
  message += "): ";
  message += text.substr(0, 80);
  if (text.size() > 80) message += "...";
  return message;
}

}  // namespace orvelle
