#pragma once

#include <array>
#include <string>
#include <vector>

#include "analyzer/run_pictures.h"

namespace orvelle::report {

// One file scored by both builds of a codec.
struct AbIndexFile {
  std::string id;
  std::string voice;
  double base = 0.0;   // percent
  double next = 0.0;
  double delta = 0.0;  // next - base
  std::string baseReport;  // each build's report beside the index; empty: none was written
  std::string newReport;
};

// What a file that lost most looked like in both builds.
struct AbWorstFile {
  std::string id;
  double delta = 0.0;
  RunPictures base;  // spectra and main band sets; the activity is not drawn
  RunPictures next;
  std::array<double, kMainGroupCount> baseSimilarity{};  // of each main band set, percent
  std::array<double, kMainGroupCount> newSimilarity{};
};

// A file that was not compared, and why.
struct AbNotCompared {
  std::string id;
  std::string reason;
};

struct AbIndexPage {
  std::string title;
  std::vector<std::string> summary;  // lines of text above the table
  std::vector<AbIndexFile> files;
  std::vector<AbWorstFile> worst;  // in the order they are drawn
  std::vector<AbNotCompared> notCompared;
};

// The index page of an A/B comparison: the files from the largest loss to
// the largest gain (equal deltas in the order given), each linking both
// builds' reports; then, for each of the worst files, both builds' mean
// spectra and band losses over each other; then the files not compared.
std::string abIndexHtml(AbIndexPage page);

}  // namespace orvelle::report
