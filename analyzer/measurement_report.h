#pragma once

#include "analyzer/analysis_result.h"
#include "analyzer/measurement_log.h"

namespace orvelle {

// The line the run writes as soon as the two signals' activity is compared.
void writeActivityAgreement(MeasurementLog& log, double agreement);

// The report block that follows it: main groups in both modes with the
// average of the first four, then the secondary groups in both modes with
// their average, each block closed by separator lines.
void writeReport(MeasurementLog& log, const GroupSimilarities& uniform, const GroupSimilarities& table);

}  // namespace orvelle
