#pragma once

#include <string>

namespace orvelle::cli {

// Exit statuses of every subcommand.
constexpr int kExitSuccess = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct QualityOptions {
  std::string codec;
  std::string voiceFile;  // empty: the internal source
  int sizeType = 1;
  bool json = false;
};

struct CompareCodecsOptions {
  std::string sourceCodec;
  std::string testedCodec;
  int sizeType = 1;
  std::string saveSource;
  std::string saveTested;
};

struct CompareFilesOptions {
  std::string sourceFile;
  std::string processedFile;
  bool json = false;
};

int runQuality(const QualityOptions& options);
int runCompareCodecs(const CompareCodecsOptions& options);
int runCompareFiles(const CompareFilesOptions& options);
int runSignal(int sizeType, const std::string& outputFile);
int runHeader(const std::string& outputFile);
int runLog();

}  // namespace orvelle::cli
