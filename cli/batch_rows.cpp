#include "cli/batch_rows.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <limits>
#include <set>
#include <string_view>

#include "cli/csv_fields.h"
#include "platform/regular_file.h"

namespace orvelle::cli {

namespace {

// The lines of `text` with their line ends (LF or CR LF) taken off.
std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The lines of a list named `name`. Spreadsheet programs start the text
// they save with a UTF-8 byte-order mark, which is no part of the first
// line. No path can hold a NUL byte, and cutting a path at one would name
// another file, so a list holding one is refused.
bool listLines(const std::string& text, const std::string& name, std::vector<std::string>& lines,
               std::string& reason) {
  std::string_view body(text);
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  lines = linesOf(body);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find('\0') == std::string::npos) continue;
    // Text saved as UTF-16 holds a NUL in every line of plain letters.
    if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
      reason = name + " is UTF-16 text; save the list as UTF-8";
    } else {
      reason = name + " line " + std::to_string(i + 1) + " holds a NUL byte, which no path can hold";
    }
    return false;
  }
  return true;
}

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

int columnOf(const std::vector<std::string>& header, const char* name) {
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return static_cast<int>(i);
  }
  return -1;
}

bool isSafeFileName(const std::string& id) {
  if (id.empty() || id.size() > 200 || id.front() == '.') return false;
  for (unsigned char c : id) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!plain && std::strchr("._-+", c) == nullptr) return false;
  }
  return true;
}

}  // namespace

bool readInputText(const std::string& path, std::string& text, std::string& reason) {
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      reason = "cannot read the standard input";
      return false;
    }
    return true;
  }
  const platform::RegularFileOpening opening = platform::openRegularFile(path.c_str());
  if (opening.kind != nullptr) {
    reason = "\"" + path + "\" is " + opening.kind + ", not a list";
    return false;
  }
  std::FILE* const file = opening.file.get();
  if (file == nullptr) {
    reason = "cannot open \"" + path + "\": " + std::strerror(opening.error);
    return false;
  }
  char block[8192];
  std::size_t read = 0;
  text.clear();
  while ((read = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, read);
  if (std::ferror(file)) {
    reason = "cannot read \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool parsePairList(const std::string& text, const std::string& name, std::vector<BatchRow>& rows,
                   std::string& reason) {
  std::vector<std::string> lines;
  if (!listLines(text, name, lines, reason)) return false;
  std::size_t next = 0;
  while (next < lines.size() && isBlank(lines[next])) ++next;
  if (next == lines.size()) {
    reason = name + ": no header line; the list starts with a line \"source,processed\" (and optionally \"id\")";
    return false;
  }
  std::vector<std::string> header;
  if (!splitCsvLine(lines[next], header, reason)) {
    reason = name + " line " + std::to_string(next + 1) + ": " + reason;
    return false;
  }
  const int source = columnOf(header, "source");
  const int processed = columnOf(header, "processed");
  const int id = columnOf(header, "id");
  if (source < 0 || processed < 0) {
    reason = name + " line " + std::to_string(next + 1) +
             ": the header must name the columns \"source\" and \"processed\" (and optionally \"id\")";
    return false;
  }
  std::vector<std::string> fields;
  for (std::size_t i = next + 1; i < lines.size(); ++i) {
    if (isBlank(lines[i])) continue;
    const std::string where = name + " line " + std::to_string(i + 1) + ": ";
    if (!splitCsvLine(lines[i], fields, reason)) {
      reason = where + reason;
      return false;
    }
    if (fields.size() != header.size()) {
      reason = where + std::to_string(fields.size()) + " fields, but the header has " + std::to_string(header.size());
      return false;
    }
    BatchRow row;
    row.number = static_cast<std::int64_t>(rows.size()) + 1;
    row.id = id >= 0 ? fields[static_cast<std::size_t>(id)] : std::to_string(row.number);
    row.source = fields[static_cast<std::size_t>(source)];
    row.processed = fields[static_cast<std::size_t>(processed)];
    if (row.source.empty() || row.processed.empty()) {
      reason = where + "an empty path names no file";
      return false;
    }
    rows.push_back(std::move(row));
  }
  return true;
}

void appendVoiceFiles(const std::vector<std::string>& files, std::vector<BatchRow>& rows) {
  for (const std::string& file : files) {
    BatchRow row;
    row.number = static_cast<std::int64_t>(rows.size()) + 1;
    row.id = std::to_string(row.number);
    row.source = file;
    rows.push_back(std::move(row));
  }
}

bool appendVoiceList(const std::string& text, const std::string& name, std::vector<BatchRow>& rows,
                     std::string& reason) {
  std::vector<std::string> lines;
  if (!listLines(text, name, lines, reason)) return false;
  std::vector<std::string> files;
  for (std::string& line : lines) {
    if (!isBlank(line)) files.push_back(std::move(line));
  }
  appendVoiceFiles(files, rows);
  return true;
}

bool checkRowIds(const std::vector<BatchRow>& rows, const std::vector<IdFiles>& files, std::string& reason) {
  std::set<std::string> seen;
  for (const BatchRow& row : rows) {
    const std::string where = "row " + std::to_string(row.number) + ": ";
    if (row.id.empty()) {
      reason = where + "the id is empty";
      return false;
    }
    if (!files.empty() && !isSafeFileName(row.id)) {
      reason = where + "the id \"" + row.id + "\" cannot name its " + files.front().what + "; ids used with " +
               files.front().option +
               " may hold letters, digits, '.', '_', '-' and '+', must not start with '.' and have at most 200 "
               "characters";
      return false;
    }
    if (!seen.insert(row.id).second) {
      reason = where + "the id \"" + row.id + "\" is given twice; every row needs its own";
      return false;
    }
  }
  return true;
}

bool parseShard(const std::string& text, std::int64_t& k, std::int64_t& n, std::string& reason) {
  const std::string usage = "--shard takes K/N with 1 <= K <= N, such as 2/8; \"" + text + "\" ";
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) {
    reason = usage + "is not that";
    return false;
  }
  std::int64_t parts[2] = {0, 0};
  const std::string_view texts[2] = {std::string_view(text).substr(0, slash), std::string_view(text).substr(slash + 1)};
  for (int i = 0; i < 2; ++i) {
    // Digits only: no sign, no space, nothing after the number.
    if (texts[i].empty() || texts[i].find_first_not_of("0123456789") != std::string_view::npos) {
      reason = usage + "is not that";
      return false;
    }
    if (std::from_chars(texts[i].data(), texts[i].data() + texts[i].size(), parts[i]).ec != std::errc()) {
      reason = usage + "holds " + std::string(texts[i]) + ", more than the largest K or N, " +
               std::to_string(std::numeric_limits<std::int64_t>::max());
      return false;
    }
  }
  if (parts[0] < 1 || parts[1] < 1 || parts[0] > parts[1]) {
    reason = usage + "is not that";
    return false;
  }
  k = parts[0];
  n = parts[1];
  return true;
}

std::string countProblem(const std::string& text, std::uint64_t most) {
  const std::string range = "from 1 to " + std::to_string(most);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    return "\"" + text + "\" is not a whole number " + range;
  }
  std::uint64_t value = 0;
  const bool fits = std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
  if (!fits || value > most) return "\"" + text + "\" is too large; it takes a whole number " + range;
  if (value == 0) return "\"" + text + "\" is not a whole number " + range;
  return {};
}

std::vector<BatchRow> shardOf(const std::vector<BatchRow>& rows, std::int64_t k, std::int64_t n) {
  std::vector<BatchRow> shard;
  for (std::size_t i = static_cast<std::size_t>(k - 1); i < rows.size(); i += static_cast<std::size_t>(n)) {
    shard.push_back(rows[i]);
  }
  return shard;
}

}  // namespace orvelle::cli
