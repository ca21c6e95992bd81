#include "cli/commands.h"

#include <cstdio>
#include <iostream>

#include "cli/codec_quality_run.h"
#include "cli/json_report.h"
#include "cli/operation_runner.h"
#include "cli/plugin_locator.h"
#include "cli/voice_file_writer.h"
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

}  // namespace

int runQuality(const QualityOptions& options) {
  TestSession session;
  const CodecQualityOutcome outcome =
      runCodecQuality(session, options.codec, options.source);
  if (!outcome.succeeded) return kExitFailed;
  return printScore("Codec Quality", outcome.score, outcome.analysis, options.json);
}

int runCompareCodecs(const CompareCodecsOptions& options) {
  TestSession session;
  if (!assignPath(session.sourceCodecPath, locatePlugin(options.sourceCodec), "Source plug-in path") ||
      !assignPath(session.testedCodecPath, locatePlugin(options.testedCodec), "Tested plug-in path")) {
    return kExitFailed;
  }
  session.sizeType = options.sizeType;
  if (!session.loadCodecPair()) {
    reportLoadFailure("DLLs Can't be loaded!", session);
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
  OperationRunner runner(session);
  if (!runner.run(kCalculateFileQuality)) return kExitFailed;
  return printScore("File Quality", session.fileQuality, session.analyzer().lastResult(), options.json);
}

int runSignal(int sizeType, const std::string& outputFile) {
  TestSession session;
  OperationRunner runner(session);
  if (!runner.run(kWriteTestSignal, outputFile, sizeType)) return kExitFailed;
  std::cout << "The test signal is successfully synthesized and saved.\n";
  return kExitSuccess;
}

int runHeader(const std::string& outputFile) {
  if (!writeCodecHeader(outputFile)) {
    std::fprintf(stderr, "Header file can't be writed!\n  %s: cannot create or write the file\n", outputFile.c_str());
    return kExitFailed;
  }
  std::cout << "Header file writed!\n";
  return kExitSuccess;
}

int runLog() {
  const std::string path = platform::startupDirectory() + "TestLog.log";
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    std::fprintf(stderr, "%s: no measurement log (run a scoring command first)\n", path.c_str());
    return kExitFailed;
  }
  char block[8192];
  std::size_t read = 0;
  while ((read = std::fread(block, 1, sizeof block, file)) > 0) std::fwrite(block, 1, read, stdout);
  std::fclose(file);
  return kExitSuccess;
}

}  // namespace orvelle::cli
