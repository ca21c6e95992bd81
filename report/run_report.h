#pragma once

#include <string>
#include <vector>

#include "analyzer/analysis_result.h"

namespace orvelle::report {

// One line of what a run measured: "Codec plug-in" and its path, say.
struct ReportInput {
  std::string label;
  std::string value;
};

// Everything a report shows of one scoring run.
struct RunReport {
  std::string measure;  // "Codec Quality" or "File Quality"
  std::vector<ReportInput> inputs;
  double score = 0.0;   // percent
  AnalysisResult analysis;
};

// The report as one HTML page that needs nothing else: inline SVG charts,
// inline CSS, no script, no link outside the page. Every figure that the
// JSON output also has carries its exact value in a data-value attribute
// (named by data-field as the JSON path is, e.g. "groups.main.1.mode0").
std::string reportHtml(const RunReport& report);

// The charts alone, in the order the page shows them, for a window that
// draws them itself.
std::vector<std::string> reportCharts(const RunReport& report);

// Writes `html` to `path` whole or not at all. False, with a reason naming
// the file, if it could not be written.
bool writeHtmlFile(const std::string& path, const std::string& html, std::string& reason);

}  // namespace orvelle::report
