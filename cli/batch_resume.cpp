#include "cli/batch_resume.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/batch_rows.h"

namespace orvelle::cli {

bool readScoredIds(const std::string& path, std::set<std::string>& ids, std::string& reason) {
  std::error_code missing;
  if (!std::filesystem::exists(path, missing) && !missing) return true;
  std::string text;
  if (!readInputText(path, text, reason)) return false;
  std::size_t start = 0;
  for (std::size_t lineNumber = 1; start < text.size(); ++lineNumber) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const std::string where = "--resume \"" + path + "\" line " + std::to_string(lineNumber) + ": ";
    const nlohmann::json row = nlohmann::json::parse(line, nullptr, false);
    if (row.is_discarded() || !row.is_object()) {
      reason = where + "not a JSON object; the file must hold the JSON lines of an earlier batch run";
      return false;
    }
    const auto id = row.find("id");
    if (id == row.end() || !id->is_string()) {
      reason = where + "no \"id\" text; the file must hold the JSON lines of an earlier batch run";
      return false;
    }
    const auto score = row.find("score");
    const auto error = row.find("error");
    if (score != row.end() && score->is_number() && (error == row.end() || error->is_null())) {
      ids.insert(id->get<std::string>());
    }
  }
  return true;
}

}  // namespace orvelle::cli
