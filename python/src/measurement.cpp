#include "measurement.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>

#include "cli/json_report.h"
#include "python_errors.h"

namespace py = pybind11;

namespace orvelle::python {

namespace {

// nlohmann's numbers become Python's exactly: a double stays the same double.
py::object toPython(const nlohmann::json& value) {
  switch (value.type()) {
    case nlohmann::json::value_t::object: {
      py::dict dict;
      for (const auto& [key, member] : value.items()) dict[py::str(key)] = toPython(member);
      return dict;
    }
    case nlohmann::json::value_t::array: {
      py::list list;
      for (const auto& member : value) list.append(toPython(member));
      return list;
    }
    case nlohmann::json::value_t::string: return py::str(value.get<std::string>());
    case nlohmann::json::value_t::boolean: return py::bool_(value.get<bool>());
    case nlohmann::json::value_t::number_integer: return py::int_(value.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned: return py::int_(value.get<std::uint64_t>());
    case nlohmann::json::value_t::number_float: return py::float_(value.get<double>());
    default: return py::none();
  }
}

py::object decibels(double value) { return std::isnan(value) ? py::none() : py::object(py::float_(value)); }

}  // namespace

Measurement Measurement::of(engine::Measurement run, std::string measure, bool keepPictures) {
  Measurement measurement;
  measurement.measure = std::move(measure);
  measurement.score = run.score;
  measurement.analysis = std::move(run.analysis);
  measurement.conversionNotes = std::move(run.conversionNotes);
  measurement.picturesKept = keepPictures;
  if (!keepPictures) measurement.analysis.pictures = RunPictures{};
  return measurement;
}

py::dict scoreDict(double score, const AnalysisResult& analysis) {
  return toPython(cli::scoreJson(score, analysis));
}

void defineMeasurement(py::module_& module) {
  py::class_<CompanionFigures>(module, "Companion",
                               "The companion figures of a run: the delay of the processed signal and how it was "
                               "found, the waveform correlation, the segmental SNR and level difference (dB; None "
                               "without speech frames) and the speech frames they were taken over.")
      .def_readonly("delay_samples", &CompanionFigures::delaySamples)
      .def_property_readonly("delay_ms", [](const CompanionFigures& c) { return c.delaySamples / 8.0; })
      .def_property_readonly("delay_method",
                             [](const CompanionFigures& c) { return std::string(delayMethodName(c.delayMethod)); })
      .def_readonly("waveform_correlation", &CompanionFigures::waveformCorrelation)
      .def_property_readonly("segmental_snr_db", [](const CompanionFigures& c) { return decibels(c.segmentalSnrDb); })
      .def_property_readonly("level_difference_db",
                             [](const CompanionFigures& c) { return decibels(c.levelDifferenceDb); })
      .def_readonly("speech_frames", &CompanionFigures::speechFrames)
      .def("__repr__", [](const CompanionFigures& c) {
        return "<orvelle.Companion delay " + std::to_string(c.delaySamples) + " samples (" +
               delayMethodName(c.delayMethod) + ")>";
      });

  py::class_<Measurement>(module, "Measurement",
                          "What one scoring run measured. Numbers are exactly those `orvelle-cli --json` prints; "
                          "to_dict() gives them with the same keys.")
      .def_readonly("score", &Measurement::score, "The score in percent, 0 to 100.")
      .def_property_readonly("points", [](const Measurement& m) { return scorePoints(m.score); },
                             "The score on the five-point scale (score x 0.05).")
      .def_property_readonly("agreement", [](const Measurement& m) { return m.analysis.activityAgreement; },
                             "Share of 10 ms frames on whose speech activity both signals agree.")
      .def_property_readonly("groups",
                             [](const Measurement& m) {
                               const py::dict all = scoreDict(m.score, m.analysis);
                               return py::object(all["groups"]);
                             },
                             "Each main (1-5) and secondary (0-9) group's similarity in both weighting modes.")
      .def_property_readonly(
          "companion",
          [](const Measurement& m) -> py::object {
            return m.analysis.companion.measured ? py::cast(m.analysis.companion) : py::none();
          },
          "The companion figures (orvelle.Companion), or None when they were not measured.")
      .def_property_readonly("speech_frames", [](const Measurement& m) { return m.analysis.analysedFrames; },
                             "The spectral frames that passed the speech-activity gate and were scored.")
      .def_readonly("conversion_notes", &Measurement::conversionNotes,
                    "What was done to each input that was converted (resampled or scaled), clipping included.")
      .def_readonly("clipped_samples", &Measurement::clippedSamples,
                    "For each float array scaled to 16 bits, by role: the samples clipped.")
      .def_property_readonly(
          "plugin_file",
          [](const Measurement& m) -> py::object {
            return m.pluginFile.empty() ? py::none() : py::object(py::str(m.pluginFile));
          },
          "The library the codec plug-in was loaded from (Codec Quality), else None.")
      .def_property_readonly(
          "frame_size",
          [](const Measurement& m) -> py::object { return m.frameSize ? py::object(py::int_(m.frameSize)) : py::none(); },
          "The plug-in's frame size in samples (Codec Quality), else None.")
      .def_readonly("processed", &Measurement::processed,
                    "The codec's output as an int16 array (Codec Quality), else None.")
      .def_property_readonly(
          "pictures",
          [](const Measurement& m) -> py::object {
            if (!m.picturesKept) return py::none();
            const RunPictures& p = m.analysis.pictures;
            py::dict pictures;
            pictures["bin_hz"] = p.binHz;
            pictures["source_spectrum"] = py::array_t<double>(static_cast<py::ssize_t>(p.sourceSpectrum.size()),
                                                              p.sourceSpectrum.data());
            pictures["processed_spectrum"] = py::array_t<double>(
                static_cast<py::ssize_t>(p.processedSpectrum.size()), p.processedSpectrum.data());
            return pictures;
          },
          "With pictures=True: the bin width (Hz) and both mean power spectra as float64 arrays; else None.")
      .def("to_dict", [](const Measurement& m) { return scoreDict(m.score, m.analysis); },
           "The result as a dict with the keys and values `orvelle-cli --json` prints.")
      .def(
          "report_html",
          [](const Measurement& m) {
            if (!m.picturesKept) {
              raiseInputError("The report draws the run's pictures; measure with pictures=True to keep them");
            }
            const report::RunReport run{m.measure, m.inputs, m.score, m.analysis};
            py::gil_scoped_release release;
            return report::reportHtml(run);
          },
          "The run's report as one self-contained HTML page (inline SVG charts), as `--report` writes it.")
      .def("__repr__", [](const Measurement& m) {
        char text[96];
        std::snprintf(text, sizeof text, "<orvelle.Measurement %s %.2f%% (%.2f points)>", m.measure.c_str(), m.score,
                      scorePoints(m.score));
        return std::string(text);
      });
}

}  // namespace orvelle::python
