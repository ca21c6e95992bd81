// Built as report's own code: its private headers and the public headers of
// the measure it links must resolve, or the failing probes prove nothing.
#include "analyzer/quality_analyzer.h"
#include "report/page_layout.h"
#include "report/run_report.h"
