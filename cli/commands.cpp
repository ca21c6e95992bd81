#include "cli/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "audio_io/measurement_log_file.h"
#include "cli/json_report.h"
#include "cli/progress_line.h"
#include "cli/report_output.h"
#include "platform/regular_file.h"
#include "session/codec_command.h"
#include "session/codec_header.h"
#include "session/result_text.h"

namespace orvelle::cli {

namespace {

void warnIfLogMissing(const engine::Measurement& measurement) {
  if (!measurement.logWritten) {
    std::fprintf(stderr, "warning: the measurement log %s could not be written\n", defaultMeasurementLogPath().c_str());
  }
}

// What a conversion did to the speech is part of the result: clipping
// changes what is scored.
void printConversionNotes(const std::vector<std::string>& notes) {
  for (const std::string& note : notes) std::fprintf(stderr, "%s\n", note.c_str());
}

int printScore(const char* measure, const engine::Measurement& measurement, bool json,
               const std::optional<OutputFit>& commandOutput = std::nullopt) {
  warnIfLogMissing(measurement);
  if (json) {
    nlohmann::json result = scoreJson(measurement.score, measurement.analysis);
    if (commandOutput) result["commandOutput"] = commandOutputJson(*commandOutput);
    std::cout << result.dump() << '\n';
  } else {
    std::cout << qualityResultText(measure, measurement.score) << '\n';
  }
  return kExitSuccess;
}

// Whether two output paths name one file, also when written differently
// ("out.pcm" and "./out.pcm") or through a link.
bool sameFile(const std::string& first, const std::string& second) {
  namespace fs = std::filesystem;
  std::error_code firstError;
  std::error_code secondError;
  // Made absolute first: a relative path none of which exists yet would
  // otherwise come back as it was given.
  const fs::path a = fs::weakly_canonical(fs::absolute(first, firstError), firstError);
  const fs::path b = fs::weakly_canonical(fs::absolute(second, secondError), secondError);
  return firstError || secondError ? first == second : a == b;
}

// Writes the run's report when one was asked for, after the score is out:
// the result stands even if the report cannot be written, but the job failed.
int reportAfter(int status, const std::string& path, const report::RunReport& run) {
  if (path.empty() || status != kExitSuccess) return status;
  std::string reason;
  if (writeRunReport(path, run, reason)) return status;
  printFailure("Report can't be written!", reason);
  return kExitFailed;
}

}  // namespace

std::string absolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

std::string absolutePluginPath(const std::string& plugin) {
  // A command's slashes are its own: it runs in a folder of its own anyway.
  if (isCodecCommand(plugin) || plugin.find('/') == std::string::npos) return plugin;
  return absolutePath(plugin);
}

int runQuality(const QualityOptions& options) {
  // The processed speech and the report would replace one another.
  if (!options.reportFile.empty() && !options.source.saveProcessed.empty() &&
      sameFile(options.reportFile, options.source.saveProcessed)) {
    std::fprintf(stderr, "--report and --save-processed name the same file \"%s\"; each output needs its own\n",
                 options.reportFile.c_str());
    return kExitUsage;
  }
  engine::CodecQualityOptions runOptions;
  runOptions.saveProcessed = absolutePath(options.source.saveProcessed);
  // The plug-in runs before the voice file is opened.
  engine::SourceSpec source = options.source.asSourceSpec();
  source.voiceFile = absolutePath(source.voiceFile);
  const std::string reportFile = absolutePath(options.reportFile);
  ProgressLine progress;
  const engine::Result<engine::CodecQualityRun> run = engine::codecQuality(
      options.hosting.choice(options.codec), source, runOptions, progress, engine::neverCancelled());
  progress.clear();
  if (!run.ok()) {
    printFailure(run.error());
    return kExitFailed;
  }
  const engine::Measurement& measurement = run.value().measurement;
  printConversionNotes(measurement.conversionNotes);
  if (run.value().commandOutput) {
    const std::string note = outputFitNote(*run.value().commandOutput);
    if (!note.empty()) printConversionNotes({note});
  }
  const int status = printScore("Codec Quality", measurement, options.json, run.value().commandOutput);
  return reportAfter(status, reportFile,
                     {"Codec Quality", codecQualityInputs(options.codec, options.source, run.value().frameSize),
                      measurement.score, measurement.analysis});
}

int runCompareCodecs(const CompareCodecsOptions& options) {
  // The second output would replace the first, and one of them would be lost.
  if (!options.saveSource.empty() && !options.saveTested.empty() && sameFile(options.saveSource, options.saveTested)) {
    std::fprintf(stderr, "--save-source and --save-tested name the same file \"%s\"; each output needs its own\n",
                 options.saveSource.c_str());
    return kExitUsage;
  }
  engine::CompareCodecsOptions runOptions;
  runOptions.sizeType = options.sizeType;
  runOptions.saveSource = absolutePath(options.saveSource);
  runOptions.saveTested = absolutePath(options.saveTested);
  // The tested codec loads after the source codec's code has run.
  ProgressLine progress;
  const engine::Result<engine::CodecComparison> comparison = engine::compareCodecs(
      options.hosting.choice(absolutePluginPath(options.sourceCodec)),
      options.hosting.choice(absolutePluginPath(options.testedCodec)), runOptions, progress, engine::neverCancelled());
  progress.clear();
  if (!comparison.ok()) {
    printFailure(comparison.error());
    return kExitFailed;
  }
  return kExitSuccess;
}

int runCompareFiles(const CompareFilesOptions& options) {
  const std::string reportFile = absolutePath(options.reportFile);
  ProgressLine progress;
  const engine::Result<engine::Measurement> result = engine::compareFiles(
      options.sourceFile, options.processedFile, options.resample, {}, progress, engine::neverCancelled());
  progress.clear();
  if (!result.ok()) {
    printFailure(result.error());
    return kExitFailed;
  }
  const engine::Measurement& measurement = result.value();
  printConversionNotes(measurement.conversionNotes);
  const int status = printScore("File Quality", measurement, options.json);
  return reportAfter(status, reportFile,
                     {"File Quality",
                      compareFilesInputs(options.sourceFile, options.processedFile, measurement.conversionNotes),
                      measurement.score, measurement.analysis});
}

int runSignal(int sizeType, const std::string& outputFile) {
  ProgressLine progress;
  const engine::Result<engine::Done> written =
      engine::generateSignal(sizeType, absolutePath(outputFile), progress, engine::neverCancelled());
  progress.clear();
  if (!written.ok()) {
    printFailure(written.error());
    return kExitFailed;
  }
  std::cout << "The test signal is successfully synthesized and saved.\n";
  return kExitSuccess;
}

int runHeader(const std::string& outputFile) {
  std::string reason;
  if (!writeCodecHeader(absolutePath(outputFile), &reason)) {
    printFailure("Header file can't be writed!", reason);
    return kExitFailed;
  }
  std::cout << "Header file writed!\n";
  return kExitSuccess;
}

int runLog() {
  const std::string path = defaultMeasurementLogPath();
  const platform::RegularFileOpening opening = platform::openRegularFile(path.c_str());
  std::FILE* const file = opening.file.get();
  if (opening.kind != nullptr) {
    std::fprintf(stderr, "%s is %s, not a measurement log\n", path.c_str(), opening.kind);
    return kExitFailed;
  }
  if (file == nullptr) {
    if (opening.error == ENOENT) {
      std::fprintf(stderr, "%s: no measurement log (run a scoring command first)\n", path.c_str());
    } else {
      std::fprintf(stderr, "%s: cannot open the measurement log: %s\n", path.c_str(), std::strerror(opening.error));
    }
    return kExitFailed;
  }
  char block[8192];
  std::size_t read = 0;
  // A failed write is reported when the standard output is closed.
  while ((read = std::fread(block, 1, sizeof block, file)) > 0) {
    if (std::fwrite(block, 1, read, stdout) != read) break;
  }
  if (std::ferror(file)) {
    std::fprintf(stderr, "%s: cannot read the measurement log: %s\n", path.c_str(), std::strerror(errno));
    return kExitFailed;
  }
  return kExitSuccess;
}

}  // namespace orvelle::cli
