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

// The figures of several runs of one plug-in: SNR, level and correlation
// averaged, speech frames summed, and the delay (with its method) that most
// runs found; of equally many, the one that got there first.
CompanionFigures meanCompanionFigures(const std::vector<CompanionFigures>& runs);

}  // namespace orvelle::cli
