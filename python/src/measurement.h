#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "analyzer/analysis_result.h"
#include "engine/jobs.h"
#include "report/run_report.h"

namespace orvelle::python {

// What orvelle.Measurement holds: one scoring run's result as the engine
// returned it, what was scored (for the report) and, of a Codec Quality
// run, the plug-in and what it gave back.
struct Measurement {
  std::string measure;  // "File Quality" or "Codec Quality"
  double score = 0.0;   // percent
  AnalysisResult analysis;
  std::vector<std::string> conversionNotes;
  std::map<std::string, std::int64_t> clippedSamples;  // by role, of each scaled float array
  std::vector<report::ReportInput> inputs;
  std::string pluginFile;                  // Codec Quality only
  std::int32_t frameSize = 0;              // Codec Quality only
  pybind11::object processed = pybind11::none();  // the codec's output, as an int16 array
  bool picturesKept = false;  // a run's spectra and timelines are large: kept only when asked for

  static Measurement of(engine::Measurement run, std::string measure, bool keepPictures);
};

// Defines orvelle.Measurement and orvelle.Companion in `module`.
void defineMeasurement(pybind11::module_& module);

// The result's numbers as `orvelle-cli --json` prints them, as Python objects.
pybind11::dict scoreDict(double score, const AnalysisResult& analysis);

}  // namespace orvelle::python
