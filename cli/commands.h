#pragma once

#include <cstdint>
#include <string>

#include "cli/run_options.h"

namespace orvelle::cli {

// Exit statuses of every subcommand.
constexpr int kExitSuccess = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct QualityOptions {
  std::string codec;
  CodecQualitySource source;
  PluginHosting hosting;
  bool json = false;
  std::string reportFile;  // where to write the run's HTML report; empty: none
};

struct CompareCodecsOptions {
  std::string sourceCodec;
  std::string testedCodec;
  std::int32_t sizeType = 1;
  std::string saveSource;
  std::string saveTested;
  PluginHosting hosting;
};

struct CompareFilesOptions {
  std::string sourceFile;
  std::string processedFile;
  bool resample = false;  // convert files in another sound format
  bool json = false;
  std::string reportFile;  // where to write the run's HTML report; empty: none
};

int runQuality(const QualityOptions& options);
int runCompareCodecs(const CompareCodecsOptions& options);
int runCompareFiles(const CompareFilesOptions& options);
int runSignal(int sizeType, const std::string& outputFile);
int runHeader(const std::string& outputFile);
int runLog();

}  // namespace orvelle::cli
