#include "report/ab_index.h"

#include <algorithm>

#include "report/html_text.h"
#include "report/page_layout.h"
#include "report/run_charts.h"

namespace orvelle::report {

namespace {

std::string link(const std::string& file, const std::string& text) {
  return file.empty() ? "-" : "<a href=\"" + escapeHtml(file) + "\">" + escapeHtml(text) + "</a>";
}

std::string signedNumber(double value) { return (value > 0.0 ? "+" : "") + fixedNumber(value, 2); }

std::string filesTable(const std::vector<AbIndexFile>& files) {
  std::string html =
      "<table class=\"index\">\n<tr><th class=\"number\">Rank</th><th>Id</th><th class=\"number\">Base "
      "(%)</th><th class=\"number\">New (%)</th><th class=\"number\">Delta</th><th>Reports</th><th>Voice "
      "file</th></tr>\n";
  std::size_t rank = 0;
  for (const AbIndexFile& file : files) {
    const std::string field = "files." + file.id + ".";
    html += "<tr><td class=\"number\">" + std::to_string(++rank) + "</td><td>" + escapeHtml(file.id) + "</td>" +
            valueCell(field + "base", file.base, fixedNumber(file.base, 2)) +
            valueCell(field + "new", file.next, fixedNumber(file.next, 2)) +
            valueCell(field + "delta", file.delta, signedNumber(file.delta)) + "<td>" +
            link(file.baseReport, "base") + " " + link(file.newReport, "new") + "</td><td class=\"path\">" +
            escapeHtml(file.voice) + "</td></tr>\n";
  }
  return html + "</table>\n";
}

std::string worstSection(const AbWorstFile& file) {
  std::string html = "<h3 id=\"worst-" + escapeHtml(file.id) + "\">" + escapeHtml(file.id) + ": delta " +
                     signedNumber(file.delta) + "</h3>\n<figure>" +
                     spectrumComparisonChart(file.base, file.next) + "</figure>\n";
  for (std::size_t g = 0; g < kMainGroupCount; ++g) {
    html += "<figure>" +
            bandLossComparisonChart(file.base.mainGroups[g], file.baseSimilarity[g], file.next.mainGroups[g],
                                    file.newSimilarity[g]) +
            "</figure>\n";
  }
  return html;
}

}  // namespace

std::string abIndexHtml(AbIndexPage page) {
  std::stable_sort(page.files.begin(), page.files.end(),
                   [](const AbIndexFile& a, const AbIndexFile& b) { return a.delta < b.delta; });
  std::string html = pageStart(page.title + " (Orvelle reports)");
  html += "<h1>" + escapeHtml(page.title) + "</h1>\n";
  for (const std::string& line : page.summary) html += "<p class=\"hint\">" + escapeHtml(line) + "</p>\n";
  html += "<h2>Files by delta, largest loss first</h2>\n" + filesTable(page.files);
  if (!page.worst.empty()) {
    html += "<h2>Where the files that lost most lost it</h2>\n<p class=\"hint\">Base in orange, new in purple, "
            "the source in blue.</p>\n";
    for (const AbWorstFile& file : page.worst) html += worstSection(file);
  }
  if (!page.notCompared.empty()) {
    html += "<h2>Not compared</h2>\n<table class=\"index\">\n<tr><th>Id</th><th>Why</th></tr>\n";
    for (const AbNotCompared& file : page.notCompared) {
      html += "<tr><td>" + escapeHtml(file.id) + "</td><td class=\"error\">" + escapeHtml(file.reason) + "</td></tr>\n";
    }
    html += "</table>\n";
  }
  return html + pageEnd();
}

}  // namespace orvelle::report
