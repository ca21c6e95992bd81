#include "cli/batch_rows.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <set>

#include "cli/csv_fields.h"
#include "platform/regular_file.h"

namespace orvelle::cli {

namespace {

// The lines of `text` with their line ends (LF or CR LF) taken off.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
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
  const std::vector<std::string> lines = linesOf(text);
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

void appendVoiceList(const std::string& text, std::vector<BatchRow>& rows) {
  std::vector<std::string> files;
  for (std::string& line : linesOf(text)) {
    if (!isBlank(line)) files.push_back(std::move(line));
  }
  appendVoiceFiles(files, rows);
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
  long long first = 0;
  long long count = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%lld/%lld%c", &first, &count, &rest) != 2 || first < 1 || count < 1 ||
      first > count) {
    reason = "--shard takes K/N with 1 <= K <= N, such as 2/8; \"" + text + "\" is not that";
    return false;
  }
  k = first;
  n = count;
  return true;
}

std::vector<BatchRow> shardOf(const std::vector<BatchRow>& rows, std::int64_t k, std::int64_t n) {
  std::vector<BatchRow> shard;
  for (std::size_t i = static_cast<std::size_t>(k - 1); i < rows.size(); i += static_cast<std::size_t>(n)) {
    shard.push_back(rows[i]);
  }
  return shard;
}

}  // namespace orvelle::cli
