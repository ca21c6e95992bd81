#pragma once

#include <string>
#include <vector>

namespace orvelle::cli {

// `text` as one CSV field: quoted, with its quotes doubled, when it holds a
// comma, a quote or a line end.
std::string csvField(const std::string& text);

// Splits one CSV line (without its line end) into fields, undoing the
// quoting csvField does. False, with a reason, for a quote left open or
// text after a closing quote.
bool splitCsvLine(const std::string& line, std::vector<std::string>& fields, std::string& reason);

}  // namespace orvelle::cli
