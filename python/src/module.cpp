// The C++ side of the `orvelle` package: each call fills the engine job's
// options, runs the job with the GIL released and turns its result into
// Python objects. The package's __init__.py adds the keyword defaults and
// documentation users see.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <thread>

#include "batch_run.h"
#include "cancellable_run.h"
#include "cli/league.h"
#include "engine/batch.h"
#include "engine/jobs.h"
#include "engine/league.h"
#include "engine/plugin_catalog.h"
#include "engine/speech_corpus.h"
#include "measurement.h"
#include "python_errors.h"
#include "report/run_inputs.h"
#include "voice_input.h"

namespace py = pybind11;

namespace orvelle::python {

namespace {

std::int32_t sizeTypeOf(const std::string& size) {
  if (size == "short") return 0;
  if (size == "normal") return 1;
  if (size == "long") return 2;
  raiseInputError("size must be \"short\", \"normal\" or \"long\", not \"" + size + "\"");
}

// Whole seconds, as the plug-in calls are limited; 0 for no limit.
int timeoutSeconds(std::optional<double> timeout) {
  constexpr double kLongestTimeout = 86400.0;
  if (!timeout) return 0;
  if (!(*timeout > 0.0) || *timeout > kLongestTimeout) {
    raiseInputError("timeout must be a number of seconds above 0 and at most a day, or None for no limit");
  }
  return std::max(1, static_cast<int>(std::lround(*timeout)));
}

engine::PluginChoice pluginChoice(const std::string& plugin, std::optional<double> timeout, bool inProcess) {
  if (plugin.empty()) raiseInputError("The plug-in name is empty");
  return {plugin, inProcess, timeoutSeconds(timeout), 0};
}

unsigned threadsOf(std::optional<int> jobs) {
  if (jobs && *jobs < 1) raiseInputError("jobs must be at least 1, or None for one per core");
  return jobs ? static_cast<unsigned>(*jobs) : std::max(1u, std::thread::hardware_concurrency());
}

engine::ScoringOptions scoringOptions(bool companion, const std::optional<std::string>& log) {
  engine::ScoringOptions options;
  options.companion = companion;
  options.logPath = log.value_or("");  // None: no measurement log
  return options;
}

py::array_t<std::int16_t> int16Array(std::vector<std::int16_t> samples) {
  auto* owned = new std::vector<std::int16_t>(std::move(samples));
  py::capsule free(owned, [](void* p) { delete static_cast<std::vector<std::int16_t>*>(p); });
  return py::array_t<std::int16_t>(static_cast<py::ssize_t>(owned->size()), owned->data(), free);
}

// The score stands without its log, but a log that was asked for and is
// missing must not pass unnoticed.
void warnIfLogMissing(const std::optional<std::string>& log, const engine::Measurement& measurement) {
  if (!log || measurement.logWritten) return;
  const std::string text = "the measurement log \"" + *log + "\" could not be written";
  if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 1) != 0) throw py::error_already_set();
}

template <typename T>
T valueOrRaise(std::optional<engine::Result<T>>& result) {
  if (!result->ok()) raiseJobError(result->error());
  return std::move(*result).value();
}

Measurement compare(py::handle source, py::handle processed, bool companion, bool pictures,
                    std::optional<std::string> log, std::optional<double> scale, bool resample) {
  const VoiceInput sourceInput(source, scale, "source");
  const VoiceInput processedInput(processed, scale, "processed");
  if (sourceInput.isPath() != processedInput.isPath()) {
    raiseInputError("Give the source and the processed signal alike: both as arrays or both as paths");
  }
  if (resample && !sourceInput.isPath()) raiseInputError("resample= applies to voice files, not arrays");
  const engine::ScoringOptions options = scoringOptions(companion, log);
  std::optional<engine::Result<engine::Measurement>> result;
  runCancellable([&](engine::CancelToken& cancel) {
    result = sourceInput.isPath()
                 ? engine::compareFiles(sourceInput.path(), processedInput.path(), resample, options,
                                        engine::noProgress(), cancel)
                 : engine::compareSamples(sourceInput.samples(), processedInput.samples(), options,
                                          engine::noProgress(), cancel);
  });
  engine::Measurement run = valueOrRaise(result);
  warnIfLogMissing(log, run);
  Measurement measurement = Measurement::of(std::move(run), "File Quality", pictures);
  for (const VoiceInput* input : {&sourceInput, &processedInput}) {
    if (!input->scaled()) continue;
    measurement.conversionNotes.push_back(input->scalingNote());
    measurement.clippedSamples[input == &sourceInput ? "source" : "processed"] = input->clippedSamples();
  }
  measurement.inputs = report::compareFilesInputs(sourceInput.description(), processedInput.description(),
                                                  measurement.conversionNotes);
  return measurement;
}

Measurement codecQuality(const std::string& plugin, py::handle source, const std::string& size,
                         std::optional<double> timeout, bool inProcess, bool companion, bool pictures,
                         std::optional<std::string> log, std::optional<double> scale, bool resample) {
  const engine::PluginChoice choice = pluginChoice(plugin, timeout, inProcess);
  engine::SourceSpec speech;
  speech.sizeType = sizeTypeOf(size);
  speech.resample = resample;
  std::optional<VoiceInput> input;
  if (!source.is_none()) {
    input.emplace(source, scale, "source");
    if (input->isPath()) {
      speech.voiceFile = input->path();
    } else if (resample) {
      raiseInputError("resample= applies to voice files, not arrays");
    }
  } else if (scale) {
    raiseInputError("scale= applies to a float array source; the internal source is 16-bit already");
  }
  engine::CodecQualityOptions options;
  options.scoring = scoringOptions(companion, log);
  options.keepProcessed = true;
  std::optional<engine::Result<engine::CodecQualityRun>> result;
  runCancellable([&](engine::CancelToken& cancel) {
    result = input && !input->isPath()
                 ? engine::codecQualityOfSamples(choice, input->samples(), options, engine::noProgress(), cancel)
                 : engine::codecQuality(choice, speech, options, engine::noProgress(), cancel);
  });
  engine::CodecQualityRun run = valueOrRaise(result);
  warnIfLogMissing(log, run.measurement);
  Measurement measurement = Measurement::of(std::move(run.measurement), "Codec Quality", pictures);
  if (input && input->scaled()) {
    measurement.conversionNotes.push_back(input->scalingNote());
    measurement.clippedSamples["source"] = input->clippedSamples();
  }
  measurement.pluginFile = run.pluginFile;
  measurement.frameSize = run.frameSize;
  measurement.inputs = report::codecQualityInputs(plugin, run.pluginFile, run.frameSize,
                                                  input ? input->description() : std::string(), speech.sizeType);
  measurement.processed = int16Array(std::move(run.processed));
  return measurement;
}

py::tuple compareCodecs(const std::string& sourcePlugin, const std::string& testedPlugin, const std::string& size,
                        std::optional<double> timeout, bool inProcess) {
  engine::CompareCodecsOptions options;
  options.sizeType = sizeTypeOf(size);
  options.keepOutputs = true;
  const engine::PluginChoice source = pluginChoice(sourcePlugin, timeout, inProcess);
  const engine::PluginChoice tested = pluginChoice(testedPlugin, timeout, inProcess);
  std::optional<engine::Result<engine::CodecComparison>> result;
  runCancellable([&](engine::CancelToken& cancel) {
    result = engine::compareCodecs(source, tested, options, engine::noProgress(), cancel);
  });
  engine::CodecComparison comparison = valueOrRaise(result);
  return py::make_tuple(int16Array(std::move(comparison.sourceOutput)), int16Array(std::move(comparison.testedOutput)));
}

void writeSignal(const std::string& size, const std::string& path) {
  const std::int32_t sizeType = sizeTypeOf(size);
  if (path.empty()) raiseInputError("The signal's path is empty");
  std::optional<engine::Result<engine::Done>> result;
  runCancellable([&](engine::CancelToken& cancel) {
    result = engine::generateSignal(sizeType, path, engine::noProgress(), cancel);
  });
  valueOrRaise(result);
}

BatchPair batchPair(py::handle pair) {
  BatchPair taken;
  try {
    const auto sides = py::cast<std::vector<py::object>>(pair);
    if (sides.size() != 2) raiseInputError("A batch pair holds a source and a processed path, not " +
                                           std::to_string(sides.size()) + " items");
    const VoiceInput source(sides[0], std::nullopt, "source");
    const VoiceInput processed(sides[1], std::nullopt, "processed");
    if (!source.isPath() || !processed.isPath()) raiseInputError("A batch pair holds two paths; score arrays with compare()");
    taken.source = source.path();
    taken.processed = processed.path();
  } catch (py::error_already_set& error) {
    if (!error.matches(py::module_::import("orvelle._errors").attr("InputError"))) throw;
    taken.refusal = error.value();
  } catch (const py::cast_error&) {
    const py::object cls = py::module_::import("orvelle._errors").attr("InputError");
    taken.refusal = cls("A batch pair must be a (source, processed) pair of paths", "badArgument", "");
  }
  return taken;
}

std::unique_ptr<BatchRun> batch(const py::iterable& pairs, std::optional<int> jobs, bool companion, bool resample) {
  const unsigned threads = threadsOf(jobs);
  std::vector<BatchPair> taken;
  for (py::handle pair : pairs) taken.push_back(batchPair(pair));
  engine::BatchJob job;
  job.resample = resample;
  job.companion = companion;
  return std::make_unique<BatchRun>(std::move(taken), job, threads);
}

// The league as `orvelle-cli league --json` prints its rows.
py::list league(std::optional<std::vector<std::string>> plugins, bool speech, std::optional<int> jobs,
                const std::string& size, std::optional<double> timeout) {
  const std::vector<std::string> names = plugins ? *plugins : engine::bundledPluginNames();
  if (names.empty()) raiseInputError("No plug-ins given and none bundled in " + engine::bundledPluginDirectory());
  engine::PluginChoice hosting;
  hosting.timeoutSeconds = timeout ? timeoutSeconds(timeout) : engine::kLeagueTimeoutSeconds;
  std::vector<engine::SourceSpec> sources{{"", sizeTypeOf(size), false}};
  if (speech) {
    const engine::SpeechCorpus corpus = engine::bundledSpeechCorpus();
    if (!corpus.unavailable.empty()) raiseJobError({FailureKind::fileUnreadable, "", corpus.unavailable});
    sources.clear();
    for (const std::string& file : corpus.files) sources.push_back({file, 1, false});
  }
  const int threads = static_cast<int>(threadsOf(jobs.value_or(1)));
  std::vector<engine::LeagueRow> rows;
  runCancellable(
      [&](engine::CancelToken& cancel) { rows = engine::runLeague(names, sources, hosting, threads, cancel); });
  const py::object json = py::module_::import("json");
  return json.attr("loads")(cli::formatLeague(rows, cli::LeagueFormat::Json))["rows"];
}

}  // namespace
}  // namespace orvelle::python

PYBIND11_MODULE(_orvelle, module) {
  using namespace orvelle;
  using namespace orvelle::python;
  module.doc() = "The engine under the orvelle package; use the package, not this module.";
  defineMeasurement(module);
  defineBatch(module);
  module.def("compare", &compare, py::arg("source"), py::arg("processed"), py::kw_only(), py::arg("companion"),
             py::arg("pictures"), py::arg("log"), py::arg("scale"), py::arg("resample"));
  module.def("codec_quality", &codecQuality, py::arg("plugin"), py::arg("source"), py::kw_only(), py::arg("size"),
             py::arg("timeout"), py::arg("in_process"), py::arg("companion"), py::arg("pictures"),
             py::arg("log"), py::arg("scale"),
             py::arg("resample"));
  module.def("compare_codecs", &compareCodecs, py::arg("source_plugin"), py::arg("tested_plugin"), py::kw_only(),
             py::arg("size"), py::arg("timeout"), py::arg("in_process"));
  module.def("write_signal", &writeSignal, py::arg("size"), py::arg("path"));
  module.def("batch", &batch, py::arg("pairs"), py::kw_only(), py::arg("jobs"), py::arg("companion"),
             py::arg("resample"));
  module.def("league", &league, py::arg("plugins"), py::kw_only(), py::arg("speech"), py::arg("jobs"),
             py::arg("size"), py::arg("timeout"));
  module.def("bundled_plugins", &engine::bundledPluginNames);
}
