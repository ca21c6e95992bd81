#pragma once

#include <string>
#include <vector>

namespace orvelle::report {

// One row of a batch, as its index lists it.
struct IndexRow {
  std::string id;
  std::vector<std::string> inputs;  // what the row scored: its voice files
  std::string reportFile;           // the row's report beside the index; empty: none was written
  bool scored = false;
  double score = 0.0;
  double agreement = 0.0;
  std::string error;                // why the row failed; empty when it did not
};

// The index page of a batch's reports: scored rows from the highest score
// down (equal scores in input order), then the failed rows with their
// errors, each linking its report.
std::string batchIndexHtml(const std::string& title, const std::vector<std::string>& inputHeadings,
                           std::vector<IndexRow> rows);

}  // namespace orvelle::report
