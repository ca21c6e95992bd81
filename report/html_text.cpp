#include "report/html_text.h"

#include <charconv>
#include <cmath>

namespace orvelle::report {

std::string escapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string exactNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string fixedNumber(double value, int decimals) {
  if (!std::isfinite(value)) return "n/a";
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  std::string result(text, end);
  // "-0.00" reads as a loss where there is none.
  if (result.find_first_not_of("-0.") == std::string::npos && result.front() == '-') result.erase(0, 1);
  return result;
}

}  // namespace orvelle::report
