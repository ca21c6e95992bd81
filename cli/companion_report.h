#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analyzer/companion_figures.h"

namespace orvelle::cli {

// The companion figures as JSON: delay (samples and ms) with its method,
// the waveform correlation peak, segmental SNR and level difference (dB,
// null without speech frames) and the speech frames they were taken over.
// Null when the run measured none.
nlohmann::json companionJson(const CompanionFigures& figures);

// The same figures as the cells of a table row (header in
// companionTableHeader, each cell padded to its column) and as CSV fields
// (names in companionCsvHeader, values read back to the same double).
std::string companionTableHeader();
std::string companionTableCells(const CompanionFigures& figures);
std::string companionCsvHeader();
std::string companionCsvFields(const CompanionFigures& figures);

}  // namespace orvelle::cli
