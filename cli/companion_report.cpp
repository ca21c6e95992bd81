#include "cli/companion_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvelle::cli {

namespace {

constexpr double kSamplesPerMillisecond = 8.0;

nlohmann::json decibels(double value) { return std::isnan(value) ? nlohmann::json(nullptr) : nlohmann::json(value); }

// A number in a column of `width` characters, "-" when there is none.
std::string cell(const char* format, double value, std::size_t width) {
  char text[64];
  if (std::isnan(value)) {
    std::snprintf(text, sizeof text, "-");
  } else {
    std::snprintf(text, sizeof text, format, value);
  }
  std::string padded = text;
  padded.resize(std::max(padded.size() + 1, width), ' ');
  return padded;
}

std::string number(double value) {
  if (std::isnan(value)) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace

nlohmann::json companionJson(const CompanionFigures& figures) {
  if (!figures.measured) return nullptr;
  return {
      {"delaySamples", figures.delaySamples},
      {"delayMs", figures.delaySamples / kSamplesPerMillisecond},
      {"delayMethod", delayMethodName(figures.delayMethod)},
      {"waveformCorrelation", figures.waveformCorrelation},
      {"segmentalSnrDb", decibels(figures.segmentalSnrDb)},
      {"levelDifferenceDb", decibels(figures.levelDifferenceDb)},
      {"speechFrames", figures.speechFrames},
  };
}

std::string companionTableHeader() { return "segSNR dB  level dB  delay ms  (method)   "; }

std::string companionTableCells(const CompanionFigures& figures) {
  if (!figures.measured) return std::string(companionTableHeader().size(), ' ');
  std::string method = std::string("(") + delayMethodName(figures.delayMethod) + ")";
  method.resize(11, ' ');
  return cell("%.2f", figures.segmentalSnrDb, 11) + cell("%+.2f", figures.levelDifferenceDb, 10) +
         cell("%.1f", figures.delaySamples / kSamplesPerMillisecond, 10) + method;
}

std::string companionCsvHeader() { return "segmental_snr_db,level_difference_db,delay_samples,delay_method,waveform_correlation"; }

std::string companionCsvFields(const CompanionFigures& figures) {
  if (!figures.measured) return ",,,,";
  return number(figures.segmentalSnrDb) + "," + number(figures.levelDifferenceDb) + "," +
         std::to_string(figures.delaySamples) + "," + delayMethodName(figures.delayMethod) + "," +
         number(figures.waveformCorrelation);
}

}  // namespace orvelle::cli
