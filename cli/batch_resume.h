#pragma once

#include <set>
#include <string>

namespace orvelle::cli {

// The ids that already have a score, and no error, in the JSON lines of an
// earlier batch run. A file that does not exist yet holds none (the first
// run of a job that is resumed later). False, with a reason naming the file
// and the line, for a line that is not such a JSON object.
bool readScoredIds(const std::string& path, std::set<std::string>& ids, std::string& reason);

}  // namespace orvelle::cli
