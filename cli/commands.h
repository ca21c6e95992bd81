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

// `path` made absolute against the current folder, for a command to do as it
// starts: plug-in code run in this process may change the folder before an
// output is written or an input read. An empty or absolute path stays as it
// is, and so does any path when the current folder cannot be found.
std::string absolutePath(const std::string& path);

// A plug-in named by a path (anything with a '/') made absolute; a bare name
// stays, to be looked up among the bundled plug-ins.
std::string absolutePluginPath(const std::string& plugin);

int runQuality(const QualityOptions& options);
int runCompareCodecs(const CompareCodecsOptions& options);
int runCompareFiles(const CompareFilesOptions& options);
int runSignal(int sizeType, const std::string& outputFile);
int runHeader(const std::string& outputFile);
int runLog();

}  // namespace orvelle::cli
