#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analyzer/analysis_result.h"
#include "analyzer/quality_analyzer.h"
#include "engine/job_result.h"
#include "engine/operation_steps.h"
#include "engine/progress.h"
#include "session/command_codec.h"

namespace orvelle::engine {

// What one scoring run measured.
struct Measurement {
  double score = 0.0;  // percent
  AnalysisResult analysis;
  // Whether the measurement log was written whole where the run was told to
  // write it (false too when told to write none).
  bool logWritten = false;
  // For each voice file resampled while it was read, what was done to it.
  std::vector<std::string> conversionNotes;
  // The two signals as they were scored, sample for sample, when the run
  // was asked to keep them (a front end that plays them back).
  std::vector<std::int16_t> source;
  std::vector<std::int16_t> processed;

  double points() const { return scorePoints(score); }
};

// How a scoring run is made.
struct ScoringOptions {
  bool companion = true;  // measure the companion figures (delay, segmental SNR, level)
  // Where the measurement log goes: the start-up directory's TestLog.log
  // unless set; an empty path writes none.
  std::optional<std::string> logPath;
  QualityAnalyzer::Threading threading = QualityAnalyzer::Threading::sideBySide;
  bool keepSignals = false;  // hand the scored signals back in the measurement
};

// A codec plug-in as named by the user (a path, or the bare name of a bundled
// one) and how its code runs: in a host process, each load and call limited
// to `timeoutSeconds` (0: no limit) and the host's memory to
// `memoryLimitBytes` (0: a generous default), or in this process, for a
// debugger, where neither limit can hold.
struct PluginChoice {
  std::string name;
  bool inProcess = false;
  int timeoutSeconds = 0;
  std::int64_t memoryLimitBytes = 0;
};

// What Codec Quality runs through the codec: a voice file, or (when empty)
// the internal source of `sizeType` (0 Short, 1 Normal, 2 Long).
struct SourceSpec {
  std::string voiceFile;
  std::int32_t sizeType = 1;
  bool resample = false;  // convert a voice file in another sound format
};

struct CodecQualityOptions {
  ScoringOptions scoring;
  std::string saveProcessed;   // where to write the codec's output; empty: nowhere
  bool keepProcessed = false;  // hand the codec's output back in the result
};

struct CodecQualityRun {
  Measurement measurement;
  std::string pluginFile;  // the library the plug-in was loaded from
  std::int32_t frameSize = 0;
  std::vector<std::int16_t> processed;  // when asked for: every sample the codec gave back
  // For a codec given as a command: how its output was fitted to the input
  // (outputFitNote words it).
  std::optional<OutputFit> commandOutput;
};

struct CodecComparison {
  std::vector<std::int16_t> sourceOutput;
  std::vector<std::int16_t> testedOutput;
};

struct CompareCodecsOptions {
  std::int32_t sizeType = 1;
  std::string saveSource;  // where to write each codec's output; empty: nowhere
  std::string saveTested;
  bool keepOutputs = false;
};

// Scores the processed voice file against the source voice file.
Result<Measurement> compareFiles(const std::string& sourceFile, const std::string& processedFile, bool resample,
                                 const ScoringOptions& options, ProgressSink& progress, CancelToken& cancel);

// Scores processed samples against source samples held in memory, as
// compareFiles scores the headerless voice files that hold them.
Result<Measurement> compareSamples(std::span<const std::int16_t> source, std::span<const std::int16_t> processed,
                                   const ScoringOptions& options, ProgressSink& progress, CancelToken& cancel);

// Runs speech through the codec and scores what comes back against it.
Result<CodecQualityRun> codecQuality(const PluginChoice& plugin, const SourceSpec& source,
                                      const CodecQualityOptions& options, ProgressSink& progress,
                                      CancelToken& cancel);

// The same with samples the caller holds in memory as the speech, coded as
// the headerless voice file holding them would be; they must stay alive and
// unchanged until the job returns.
Result<CodecQualityRun> codecQualityOfSamples(const PluginChoice& plugin, std::span<const std::int16_t> source,
                                               const CodecQualityOptions& options, ProgressSink& progress,
                                               CancelToken& cancel);

// Runs the internal source through a source codec and a tested codec.
Result<CodecComparison> compareCodecs(const PluginChoice& source, const PluginChoice& tested,
                                      const CompareCodecsOptions& options, ProgressSink& progress,
                                      CancelToken& cancel);

// Writes the internal source of `sizeType` to `path`.
Result<Done> generateSignal(std::int32_t sizeType, const std::string& path, ProgressSink& progress,
                            CancelToken& cancel);

// The same tests on a session that a front end has filled in (paths, source
// and size, plug-in hosting), with its steps run by `steps`: what the
// desktop program's commands call. The plug-ins stay loaded in the session
// afterwards; the voice data goes.
Result<Measurement> compareFiles(TestSession& session, OperationSteps& steps, const ScoringOptions& options);
Result<CodecQualityRun> codecQuality(TestSession& session, OperationSteps& steps, const CodecQualityOptions& options);
Result<CodecComparison> compareCodecs(TestSession& session, OperationSteps& steps, const CompareCodecsOptions& options);
Result<Done> generateSignal(TestSession& session, OperationSteps& steps, std::int32_t sizeType, const std::string& path);

}  // namespace orvelle::engine
