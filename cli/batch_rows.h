#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/batch.h"

namespace orvelle::cli {

using engine::BatchRow;

// The whole of a file, or of standard input for "-". False, with a reason
// naming the file, if it cannot be read.
bool readInputText(const std::string& path, std::string& text, std::string& reason);

// Rows of a CSV list with a header line naming the columns "source" and
// "processed" and optionally "id" (other columns are ignored). A leading
// UTF-8 byte-order mark and blank lines are skipped. False, with a reason
// naming `name` and the line, for a malformed list or one holding a NUL
// byte.
bool parsePairList(const std::string& text, const std::string& name, std::vector<BatchRow>& rows,
                   std::string& reason);

// Voice files one per line (a leading UTF-8 byte-order mark and blank lines
// skipped), appended to `rows`. False, with a reason naming `name` and the
// line, for a list holding a NUL byte.
bool appendVoiceList(const std::string& text, const std::string& name, std::vector<BatchRow>& rows,
                     std::string& reason);
void appendVoiceFiles(const std::vector<std::string>& files, std::vector<BatchRow>& rows);

// What row ids name when an option makes files of them: "log file" and
// "--log-dir", say.
struct IdFiles {
  const char* what;
  const char* option;
};

// Every id must be non-empty and given once; when `files` names any (the ids
// name files) also a safe file name: letters, digits, '.', '_', '-', '+',
// not starting with '.', at most 200 characters. Ids are refused, not
// changed, so a log or a report always bears its row's id.
bool checkRowIds(const std::vector<BatchRow>& rows, const std::vector<IdFiles>& files, std::string& reason);

// "K/N" with 1 <= K <= N, both written in digits alone; a number too large
// for a row count is refused, never cut to one.
bool parseShard(const std::string& text, std::int64_t& k, std::int64_t& n, std::string& reason);

// Why `text` is not a count from 1 to `most` written in digits, or empty when
// it is one: a number too large is refused, never cut to the largest.
std::string countProblem(const std::string& text, std::uint64_t most);

// Rows K, K+N, K+2N, ... (1-based) of `rows`.
std::vector<BatchRow> shardOf(const std::vector<BatchRow>& rows, std::int64_t k, std::int64_t n);

}  // namespace orvelle::cli
