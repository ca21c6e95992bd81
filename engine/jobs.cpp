#include "engine/jobs.h"

#include <utility>

#include "audio_io/voice_file_writer.h"
#include "audio_io/voice_pair.h"
#include "engine/plugin_catalog.h"

namespace orvelle::engine {

namespace {

constexpr const char* kLoadFailed = "DLL Can't be loaded!";
constexpr const char* kPairLoadFailed = "DLLs Can't be loaded!";
constexpr const char* kSaveFailed = "Voice File Can't be Writed!";

JobError stoppedError(const char* message) { return {FailureKind::stopped, message, "the run was stopped"}; }

// Why the step that just failed did, as the session recorded it.
JobError stepError(const TestSession& session, const OperationSteps& steps, const char* message) {
  if (steps.stopRequested()) {
    return session.failureReason().empty() ? stoppedError(message)
                                           : JobError{FailureKind::stopped, message, session.failureReason()};
  }
  return {session.failureKind(), message, session.failureReason()};
}

JobError operationError(const TestSession& session, const OperationSteps& steps, std::int32_t opCode) {
  return stepError(session, steps, operationErrorMessage(opCode));
}

void applyScoring(TestSession& session, const ScoringOptions& options) {
  session.analyzer().setCompanionFigures(options.companion);
  session.analyzer().setThreading(options.threading);
  session.measurementLogPath = options.logPath;
}

void applyHosting(TestSession& session, const PluginChoice& plugin) {
  session.inProcessPlugins = session.inProcessPlugins || plugin.inProcess;
  session.pluginCalls.setTimeoutSeconds(plugin.timeoutSeconds);
  session.pluginCalls.setMemoryLimitBytes(plugin.memoryLimitBytes);
}

Measurement measurementOf(const TestSession& session, double score) {
  Measurement measurement;
  measurement.score = score;
  measurement.analysis = session.analyzer().lastResult();
  measurement.logWritten = session.measurementLogWritten;
  measurement.conversionNotes = session.voiceConversionNotes;
  return measurement;
}

std::vector<std::int16_t> copyOf(const SampleBuffer& samples, std::int32_t count) {
  return std::vector<std::int16_t>(samples.get(), samples.get() + count);
}

// A path that the session cannot hold is refused before anything runs.
bool assignPath(SessionText& text, const std::string& value, const char* what, std::string& refusal) {
  if (text.assign(value)) return true;
  refusal = textTooLongMessage(what, value);
  return false;
}

}  // namespace

Result<Measurement> compareFiles(TestSession& session, OperationSteps& steps, const ScoringOptions& options) {
  applyScoring(session, options);
  if (!steps.confirmInputs(session)) return stoppedError(operationErrorMessage(kCalculateFileQuality));
  // The pair the step scored, handed over instead of let go, so that what a
  // front end plays back is exactly what was scored, read once, off the
  // calling thread.
  session.keepScoredFiles = options.keepSignals;
  const bool scored = steps.run(session, kCalculateFileQuality);
  session.keepScoredFiles = false;
  const VoicePair pair = std::exchange(session.scoredFiles, VoicePair{});
  if (!scored) return operationError(session, steps, kCalculateFileQuality);
  Measurement measurement = measurementOf(session, session.fileQuality);
  if (options.keepSignals && pair.count > 0) {
    measurement.source.assign(pair.source.get(), pair.source.get() + pair.count);
    measurement.processed.assign(pair.processed.get(), pair.processed.get() + pair.count);
  }
  return measurement;
}

namespace {

// A bare name in the session (as a front end's plug-in box takes it) is
// looked up among the bundled plug-ins, as the command line does. A path too
// long for the session stays as it was, and its load says so.
void resolvePlugin(SessionText& path) { path.assign(locatePlugin(path.str())); }

}  // namespace

Result<CodecQualityRun> codecQuality(TestSession& session, OperationSteps& steps, const CodecQualityOptions& options) {
  applyScoring(session, options.scoring);
  resolvePlugin(session.codecPath);
  const std::string& path = session.codecPath.str();
  if (!steps.load(session, [&] { return session.loadCodec(); }, kLoadFailed)) {
    if (steps.stopRequested()) return stepError(session, steps, kLoadFailed);
    return JobError{session.failureKind(), kLoadFailed, session.failureReason()};
  }
  if (!steps.confirmInputs(session)) return stoppedError(operationErrorMessage(kPrepareVoiceData));
  if (!steps.run(session, kPrepareVoiceData)) return operationError(session, steps, kPrepareVoiceData);
  if (!steps.run(session, kRecodeVoiceData)) {
    session.releaseVoiceData();
    return operationError(session, steps, kRecodeVoiceData);
  }
  if (!steps.run(session, kCalculateVoiceQuality)) {
    session.releaseVoiceData();
    return operationError(session, steps, kCalculateVoiceQuality);
  }
  CodecQualityRun run;
  run.measurement = measurementOf(session, session.codecQuality);
  if (options.scoring.keepSignals) {
    run.measurement.source = copyOf(session.inputSamples, session.sampleCount);
    run.measurement.processed = copyOf(session.outputSamples, session.sampleCount);
  }
  run.pluginFile = path;
  run.frameSize = session.frameSize;
  run.commandOutput = session.commandOutputFit;
  if (options.keepProcessed) run.processed = copyOf(session.outputSamples, session.sampleCount);
  std::string saveError;
  const bool saved = options.saveProcessed.empty() ||
                     writeVoiceFile(options.saveProcessed, session.outputSamples.get(), session.sampleCount, &saveError);
  // The plug-in stays loaded (a test signal may be asked of it); the buffers go.
  session.releaseVoiceData();
  if (!saved) return JobError{FailureKind::writeFailed, kSaveFailed, saveError};
  return run;
}

Result<CodecComparison> compareCodecs(TestSession& session, OperationSteps& steps,
                                      const CompareCodecsOptions& options) {
  session.sizeType = options.sizeType;
  resolvePlugin(session.sourceCodecPath);
  resolvePlugin(session.testedCodecPath);
  if (!steps.load(session, [&] { return session.loadCodecPair(); }, kPairLoadFailed)) {
    if (steps.stopRequested()) return stepError(session, steps, kPairLoadFailed);
    return JobError{session.failureKind(), kPairLoadFailed, session.failureReason()};
  }
  if (!steps.run(session, kPrepareComparisonData)) return operationError(session, steps, kPrepareComparisonData);
  if (!steps.run(session, kRecodeComparisonData)) {
    session.releaseComparisonData();
    return operationError(session, steps, kRecodeComparisonData);
  }
  // A successful comparison keeps its buffers in the session until the next
  // comparison replaces them.
  CodecComparison comparison;
  if (options.keepOutputs) {
    comparison.sourceOutput = copyOf(session.sourceCodecOutput, session.comparisonSampleCount);
    comparison.testedOutput = copyOf(session.testedCodecOutput, session.comparisonSampleCount);
  }
  const struct {
    const std::string& path;
    const std::int16_t* samples;
  } outputs[] = {{options.saveSource, session.sourceCodecOutput.get()},
                 {options.saveTested, session.testedCodecOutput.get()}};
  for (const auto& output : outputs) {
    if (output.path.empty()) continue;
    std::string error;
    if (!writeVoiceFile(output.path, output.samples, session.comparisonSampleCount, &error)) {
      return JobError{FailureKind::writeFailed, "", error};
    }
  }
  return comparison;
}

Result<Done> generateSignal(TestSession& session, OperationSteps& steps, std::int32_t sizeType,
                            const std::string& path) {
  if (!steps.run(session, kWriteTestSignal, path, sizeType)) return operationError(session, steps, kWriteTestSignal);
  return Done{};
}

Result<Measurement> compareFiles(const std::string& sourceFile, const std::string& processedFile, bool resample,
                                 const ScoringOptions& options, ProgressSink& progress, CancelToken& cancel) {
  TestSession session;
  std::string refusal;
  if (!assignPath(session.sourceFilePath, sourceFile, "Source voice file path", refusal) ||
      !assignPath(session.processedFilePath, processedFile, "Processed voice file path", refusal)) {
    return JobError{FailureKind::fileUnreadable, "", refusal};
  }
  session.otherVoiceFormats = resample ? OtherFormats::resample : OtherFormats::refuse;
  DirectSteps steps(progress, cancel);
  return compareFiles(session, steps, options);
}

Result<Measurement> compareSamples(std::span<const std::int16_t> source, std::span<const std::int16_t> processed,
                                   const ScoringOptions& options, ProgressSink& progress, CancelToken& cancel) {
  TestSession session;
  session.heldSource = source;
  session.heldProcessed = processed;
  DirectSteps steps(progress, cancel);
  return compareFiles(session, steps, options);
}

namespace {

Result<CodecQualityRun> codecQuality(const PluginChoice& plugin, const SourceSpec& source,
                                      std::optional<std::span<const std::int16_t>> heldSource,
                                      const CodecQualityOptions& options, ProgressSink& progress,
                                      CancelToken& cancel) {
  TestSession session;
  applyHosting(session, plugin);
  std::string refusal;
  if (!assignPath(session.codecPath, locatePlugin(plugin.name), "Plug-in path", refusal)) {
    return JobError{FailureKind::loadFailed, kLoadFailed, refusal};
  }
  if (!source.voiceFile.empty() && !assignPath(session.voiceFilePath, source.voiceFile, "Voice file path", refusal)) {
    return JobError{FailureKind::fileUnreadable, operationErrorMessage(kPrepareVoiceData), refusal};
  }
  session.heldSource = heldSource;
  session.sourceType = source.voiceFile.empty() && !heldSource ? 0 : 1;
  session.sizeType = source.sizeType;
  session.otherVoiceFormats = source.resample ? OtherFormats::resample : OtherFormats::refuse;
  DirectSteps steps(progress, cancel);
  Result<CodecQualityRun> run = codecQuality(session, steps, options);
  if (!run.ok() && run.error().kind == FailureKind::loadFailed) {
    JobError error = run.error();
    error.detail = withLocalFileHint(error.detail, plugin.name);
    return error;
  }
  return run;
}

}  // namespace

Result<CodecQualityRun> codecQuality(const PluginChoice& plugin, const SourceSpec& source,
                                      const CodecQualityOptions& options, ProgressSink& progress,
                                      CancelToken& cancel) {
  return codecQuality(plugin, source, std::nullopt, options, progress, cancel);
}

Result<CodecQualityRun> codecQualityOfSamples(const PluginChoice& plugin, std::span<const std::int16_t> source,
                                               const CodecQualityOptions& options, ProgressSink& progress,
                                               CancelToken& cancel) {
  return codecQuality(plugin, SourceSpec{}, source, options, progress, cancel);
}

Result<CodecComparison> compareCodecs(const PluginChoice& source, const PluginChoice& tested,
                                      const CompareCodecsOptions& options, ProgressSink& progress,
                                      CancelToken& cancel) {
  TestSession session;
  applyHosting(session, source);
  applyHosting(session, tested);
  std::string refusal;
  if (!assignPath(session.sourceCodecPath, locatePlugin(source.name), "Source plug-in path", refusal) ||
      !assignPath(session.testedCodecPath, locatePlugin(tested.name), "Tested plug-in path", refusal)) {
    return JobError{FailureKind::loadFailed, "", refusal};
  }
  DirectSteps steps(progress, cancel);
  Result<CodecComparison> comparison = compareCodecs(session, steps, options);
  if (!comparison.ok() && comparison.error().kind == FailureKind::loadFailed) {
    JobError error = comparison.error();
    error.detail = withLocalFileHint(withLocalFileHint(error.detail, source.name), tested.name);
    return error;
  }
  return comparison;
}

Result<Done> generateSignal(std::int32_t sizeType, const std::string& path, ProgressSink& progress,
                            CancelToken& cancel) {
  TestSession session;
  DirectSteps steps(progress, cancel);
  return generateSignal(session, steps, sizeType, path);
}

}  // namespace orvelle::engine
