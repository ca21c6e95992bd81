#pragma once

#include <string>
#include <vector>

#include "cli/run_options.h"
#include "report/run_inputs.h"
#include "report/run_report.h"

namespace orvelle::cli {

// What a Codec Quality run of the command line scored, for its report.
std::vector<report::ReportInput> codecQualityInputs(const std::string& plugin, const CodecQualitySource& source,
                                                    std::int32_t frameSize);
using report::compareFilesInputs;

// Writes the report of one run to `path`; false, with a reason naming the
// file, if it could not be written.
bool writeRunReport(const std::string& path, const report::RunReport& run, std::string& reason);

// Where a report goes must be a file in an existing folder: checked before a
// run, so a long run is not thrown away for a mistyped folder. Empty when
// `path` will do, else why not.
std::string reportPathProblem(const std::string& path);

}  // namespace orvelle::cli
