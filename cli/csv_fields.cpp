#include "cli/csv_fields.h"

namespace orvelle::cli {

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool splitCsvLine(const std::string& line, std::vector<std::string>& fields, std::string& reason) {
  fields.assign(1, std::string());
  std::size_t i = 0;
  while (i <= line.size()) {
    std::string& field = fields.back();
    if (i < line.size() && line[i] == '"' && field.empty()) {
      ++i;
      for (;;) {
        if (i >= line.size()) {
          reason = "a quoted field is not closed before the end of the line (fields cannot span lines)";
          return false;
        }
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
      if (i < line.size() && line[i] != ',') {
        reason = "text follows the closing quote of field " + std::to_string(fields.size());
        return false;
      }
    }
    if (i == line.size()) break;
    if (line[i] == ',') {
      fields.emplace_back();
    } else {
      field += line[i];
    }
    ++i;
  }
  return true;
}

}  // namespace orvelle::cli
