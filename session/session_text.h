#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvelle {

// A path or name kept by the session. It holds at most kCapacity characters;
// a longer text is refused as a whole rather than cut short, because a
// truncated path names a different file.
class SessionText {
 public:
  static constexpr std::size_t kCapacity = 1023;

  bool assign(std::string_view text) {
    if (text.size() > kCapacity || text.find('\0') != std::string_view::npos) return false;
    text_.assign(text);
    return true;
  }
  void clear() { text_.clear(); }
  bool empty() const { return text_.empty(); }
  const std::string& str() const { return text_; }
  const char* c_str() const { return text_.c_str(); }

 private:
  std::string text_;
};

// The message for a text that SessionText refused.
std::string textTooLongMessage(std::string_view what, std::string_view text);

}  // namespace orvelle
