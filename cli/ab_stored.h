#pragma once

#include <string>
#include <vector>

#include "engine/ab_comparison.h"

namespace orvelle::cli {

// The rows of a Codec Quality or Compare Files batch as `batch` prints them
// without --csv, one JSON object a line, read from the file at `path`:
// each row's id, voice file (or processed file), score or error, and
// companion figures. Blank lines are skipped. False, with a reason naming
// the file and the line, for a line that is no batch row, or an id given
// twice.
bool readBatchResults(const std::string& path, std::vector<engine::AbScore>& scores, std::string& reason);

}  // namespace orvelle::cli
