#include "cli/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "cli/codec_quality_run.h"
#include "cli/json_report.h"
#include "cli/operation_runner.h"
#include "cli/plugin_locator.h"
#include "cli/report_output.h"
#include "cli/voice_file_writer.h"
#include "platform/regular_file.h"
#include "platform/startup_directory.h"
#include "session/codec_header.h"
#include "session/result_text.h"
#include "session/test_session.h"

namespace orvelle::cli {

namespace {

void warnIfLogMissing(const AnalysisResult& analysis) {
  if (!analysis.logWritten) {
    std::fprintf(stderr, "warning: the measurement log %sTestLog.log could not be written\n",
                 platform::startupDirectory().c_str());
  }
}

int printScore(const char* measure, double score, const AnalysisResult& analysis, bool json) {
  warnIfLogMissing(analysis);
  if (json) {
    std::cout << scoreJson(score, analysis).dump() << '\n';
  } else {
    std::cout << qualityResultText(measure, score) << '\n';
  }
  return kExitSuccess;
}

bool assignPath(SessionText& text, const std::string& value, const char* what) {
  if (text.assign(value)) return true;
  std::fprintf(stderr, "%s\n", textTooLongMessage(what, value).c_str());
  return false;
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

int runQuality(const QualityOptions& options) {
  // The processed speech and the report would replace one another.
  if (!options.reportFile.empty() && !options.source.saveProcessed.empty() &&
      sameFile(options.reportFile, options.source.saveProcessed)) {
    std::fprintf(stderr, "--report and --save-processed name the same file \"%s\"; each output needs its own\n",
                 options.reportFile.c_str());
    return kExitUsage;
  }
  TestSession session;
  const CodecQualityOutcome outcome =
      runCodecQuality(session, options.codec, options.source, options.hosting);
  if (!outcome.succeeded) return kExitFailed;
  const int status = printScore("Codec Quality", outcome.score, outcome.analysis, options.json);
  return reportAfter(status, options.reportFile,
                     {"Codec Quality", codecQualityInputs(options.codec, options.source, outcome.frameSize),
                      outcome.score, outcome.analysis});
}

int runCompareCodecs(const CompareCodecsOptions& options) {
  // The second output would replace the first, and one of them would be lost.
  if (!options.saveSource.empty() && !options.saveTested.empty() && sameFile(options.saveSource, options.saveTested)) {
    std::fprintf(stderr, "--save-source and --save-tested name the same file \"%s\"; each output needs its own\n",
                 options.saveSource.c_str());
    return kExitUsage;
  }
  TestSession session;
  if (!assignPath(session.sourceCodecPath, locatePlugin(options.sourceCodec), "Source plug-in path") ||
      !assignPath(session.testedCodecPath, locatePlugin(options.testedCodec), "Tested plug-in path")) {
    return kExitFailed;
  }
  session.sizeType = options.sizeType;
  options.hosting.applyTo(session);
  if (!session.loadCodecPair()) {
    printFailure("DLLs Can't be loaded!",
                 withLocalFileHint(withLocalFileHint(session.failureReason(), options.sourceCodec), options.testedCodec));
    return kExitFailed;
  }
  OperationRunner runner(session);
  if (!runner.run(kPrepareComparisonData)) return kExitFailed;
  if (!runner.run(kRecodeComparisonData)) {
    session.releaseComparisonData();
    return kExitFailed;
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
      std::fprintf(stderr, "%s\n", error.c_str());
      return kExitFailed;
    }
  }
  return kExitSuccess;
}

int runCompareFiles(const CompareFilesOptions& options) {
  TestSession session;
  if (!assignPath(session.sourceFilePath, options.sourceFile, "Source voice file path") ||
      !assignPath(session.processedFilePath, options.processedFile, "Processed voice file path")) {
    return kExitFailed;
  }
  session.otherVoiceFormats = options.resample ? OtherFormats::resample : OtherFormats::refuse;
  session.analyzer().setCompanionFigures(true);
  OperationRunner runner(session);
  if (!runner.run(kCalculateFileQuality)) return kExitFailed;
  const AnalysisResult& analysis = session.analyzer().lastResult();
  const int status = printScore("File Quality", session.fileQuality, analysis, options.json);
  return reportAfter(status, options.reportFile,
                     {"File Quality",
                      compareFilesInputs(options.sourceFile, options.processedFile, session.analyzer().conversionNotes()),
                      session.fileQuality, analysis});
}

int runSignal(int sizeType, const std::string& outputFile) {
  TestSession session;
  OperationRunner runner(session);
  if (!runner.run(kWriteTestSignal, outputFile, sizeType)) return kExitFailed;
  std::cout << "The test signal is successfully synthesized and saved.\n";
  return kExitSuccess;
}

int runHeader(const std::string& outputFile) {
  std::string reason;
  if (!writeCodecHeader(outputFile, &reason)) {
    printFailure("Header file can't be writed!", reason);
    return kExitFailed;
  }
  std::cout << "Header file writed!\n";
  return kExitSuccess;
}

int runLog() {
  const std::string path = platform::startupDirectory() + "TestLog.log";
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
