#include "report/run_report.h"

#include <cmath>

#include "analyzer/analysis_frame.h"
#include "platform/atomic_output_file.h"
#include "report/html_text.h"
#include "report/page_layout.h"
#include "report/run_charts.h"
#include "analyzer/analysis_result.h"

namespace orvelle::report {

namespace {

constexpr double kSamplesPerMillisecond = kAnalysisSampleRateHz / 1000.0;

std::string figure(const std::string& chart) { return "<figure>" + chart + "</figure>\n"; }

std::string summaryRow(const std::string& label, const std::string& field, double value, const std::string& shown) {
  return "<tr><th>" + escapeHtml(label) + "</th>" + valueCell(field, value, shown) + "</tr>\n";
}

std::string percent(double value) { return fixedNumber(value, 2) + " %"; }

std::string summary(const RunReport& report) {
  const AnalysisResult& analysis = report.analysis;
  std::string html = "<table class=\"summary\">\n";
  html += summaryRow("Score", "score", report.score, percent(report.score));
  html += summaryRow("Points (of 5)", "points", scorePoints(report.score), fixedNumber(scorePoints(report.score), 2));
  html += summaryRow("Activity agreement", "agreement", analysis.activityAgreement,
                     percent(analysis.activityAgreement * 100.0));
  html += "<tr><th>Samples per signal</th><td class=\"number\">" + std::to_string(analysis.sampleCount) + " (" +
          fixedNumber(analysis.sampleCount / kAnalysisSampleRateHz, 1) + " s)</td></tr>\n";
  html += "<tr><th>Analysed spectral frames</th><td class=\"number\">" + std::to_string(analysis.analysedFrames) +
          "</td></tr>\n";
  return html + "</table>\n";
}

std::string inputs(const RunReport& report) {
  std::string html = "<h2>Inputs</h2>\n<table class=\"inputs\">\n";
  for (const ReportInput& input : report.inputs) {
    html += "<tr><th>" + escapeHtml(input.label) + "</th><td class=\"path\">" + escapeHtml(input.value) + "</td></tr>\n";
  }
  return html + "</table>\n";
}

std::string activitySummary(const ActivityTimeline& timeline) {
  std::int32_t source = 0;
  std::int32_t processed = 0;
  for (const ActivityRun& run : timeline.runs) {
    if (run.source != 0) source += run.frames;
    if (run.processed != 0) processed += run.frames;
  }
  return "<p class=\"hint\">Of " + std::to_string(timeline.frameCount) + " frames of 10 ms the source's detector heard " +
         "speech in " + std::to_string(source) + ", the processed signal's in " + std::to_string(processed) +
         "; they disagree in " + std::to_string(timeline.disagreements()) +
         ". The spectra are taken over every frame in which either heard speech.</p>\n";
}

template <std::size_t N>
std::string groupRows(const char* kind, const char* name, const std::array<double, N>& uniform,
                      const std::array<double, N>& table, int firstNumber) {
  std::string html;
  for (std::size_t i = 0; i < N; ++i) {
    const std::string number = std::to_string(firstNumber + static_cast<int>(i));
    const std::string field = std::string("groups.") + kind + "." + number + ".";
    html += "<tr><th>" + std::string(name) + " " + number + "</th>" +
            valueCell(field + "mode0", uniform[i], fixedNumber(uniform[i], 2)) +
            valueCell(field + "mode1", table[i], fixedNumber(table[i], 2)) + "</tr>\n";
  }
  return html;
}

std::string groupTable(const AnalysisResult& analysis) {
  return "<h2>Similarity of every band set</h2>\n<p class=\"hint\">Mode 0 weighs every band alike and makes the "
         "score (the mean of the five main sets); mode 1 weighs the bands by their table weights. The secondary "
         "sets only feed the measurement log.</p>\n<table class=\"groups\">\n<tr><th>Band set</th><th "
         "class=\"number\">Mode 0 (%)</th><th class=\"number\">Mode 1 (%)</th></tr>\n" +
         groupRows("main", "Main", analysis.uniform.main, analysis.table.main, 1) +
         groupRows("secondary", "Secondary", analysis.uniform.secondary, analysis.table.secondary, 0) + "</table>\n";
}

std::string decibelText(double value) { return std::isnan(value) ? "n/a" : fixedNumber(value, 2) + " dB"; }

std::string companionTable(const CompanionFigures& figures) {
  if (!figures.measured) return {};
  const double delayMs = figures.delaySamples / kSamplesPerMillisecond;
  std::string html = "<h2>Companion figures</h2>\n<p class=\"hint\">What the long-term spectra do not see: delay, "
                     "waveform noise and level. They never change the score.</p>\n<table class=\"companion\">\n";
  html += summaryRow("Delay (samples)", "companion.delaySamples", figures.delaySamples,
                     std::to_string(figures.delaySamples));
  html += summaryRow("Delay (ms)", "companion.delayMs", delayMs, fixedNumber(delayMs, 3));
  html += "<tr><th>Delay found from</th><td data-field=\"companion.delayMethod\" data-text=\"" +
          std::string(delayMethodName(figures.delayMethod)) + "\">" +
          (figures.delayMethod == DelayMethod::waveform ? "the waveforms" : "the energy envelopes") + "</td></tr>\n";
  html += summaryRow("Waveform correlation at the delay", "companion.waveformCorrelation", figures.waveformCorrelation,
                     fixedNumber(figures.waveformCorrelation, 4));
  html += summaryRow("Segmental SNR", "companion.segmentalSnrDb", figures.segmentalSnrDb,
                     decibelText(figures.segmentalSnrDb));
  html += summaryRow("Level difference (processed less source)", "companion.levelDifferenceDb",
                     figures.levelDifferenceDb, decibelText(figures.levelDifferenceDb));
  html += summaryRow("Speech frames they were taken over", "companion.speechFrames", figures.speechFrames,
                     std::to_string(figures.speechFrames));
  return html + "</table>\n";
}

}  // namespace

std::vector<std::string> reportCharts(const RunReport& report) {
  const RunPictures& pictures = report.analysis.pictures;
  std::vector<std::string> charts = {spectrumChart(pictures), spectrumDifferenceChart(pictures)};
  for (std::size_t g = 0; g < pictures.mainGroups.size(); ++g) {
    charts.push_back(bandChart(pictures.mainGroups[g], report.analysis.uniform.main[g]));
  }
  charts.push_back(activityChart(pictures.activity));
  return charts;
}

std::string reportHtml(const RunReport& report) {
  const std::vector<std::string> charts = reportCharts(report);
  const std::string heading = report.measure + ": " + percent(report.score);
  std::string html = pageStart(heading + " (Orvelle report)");
  html += "<h1>" + escapeHtml(heading) + "</h1>\n" + summary(report) + inputs(report);
  html += "<h2>Mean power spectra</h2>\n<p class=\"hint\">The long-term spectra the score compares, averaged over "
          "the frames in which either signal held speech; below, where the codec made the speech louder or "
          "quieter.</p>\n";
  html += figure(charts[0]) + figure(charts[1]);
  html += "<h2>Main band sets</h2>\n<p class=\"hint\">The score is the mean similarity of these five sets. Each "
          "band can cost its set up to its share of 100 points, in proportion to how far the processed band "
          "energy is from the source's; bands too faint in the source cost nothing.</p>\n";
  for (std::size_t g = 0; g < report.analysis.pictures.mainGroups.size(); ++g) html += figure(charts[2 + g]);
  html += "<h2>Speech activity</h2>\n" + activitySummary(report.analysis.pictures.activity) + figure(charts.back());
  html += groupTable(report.analysis) + companionTable(report.analysis.companion);
  return html + pageEnd();
}

bool writeHtmlFile(const std::string& path, const std::string& html, std::string& reason) {
  platform::AtomicOutputFile file;
  if (!file.open(path) || !file.write(html.data(), html.size()) || !file.commit()) {
    reason = file.failureReason();
    return false;
  }
  return true;
}

}  // namespace orvelle::report
