#include "report/page_layout.h"

#include "analyzer/measure_version.h"
#include "report/html_text.h"

namespace orvelle::report {

namespace {

// Sizes in rem and percentages so the page follows the reader's zoom; the
// charts fill the width and keep their proportions.
constexpr const char* kStyle = R"(
:root { color: #222222; background: #FFFFFF; font-family: "DejaVu Sans", Verdana, sans-serif; }
body { margin: 0; }
main { max-width: 60rem; margin: 0 auto; padding: 1rem 1.25rem 3rem; line-height: 1.45; }
h1 { font-size: 1.6rem; margin: 0.5rem 0 1rem; }
h2 { font-size: 1.25rem; margin: 2rem 0 0.5rem; border-bottom: 1px solid #CCCCCC; }
h3 { font-size: 1.05rem; margin: 1.25rem 0 0.25rem; }
p.hint { margin: 0.25rem 0 0.5rem; color: #444444; }
table { border-collapse: collapse; margin: 0.5rem 0; }
th, td { border: 1px solid #CCCCCC; padding: 0.2rem 0.6rem; text-align: left; vertical-align: top; }
td.number, th.number { text-align: right; font-variant-numeric: tabular-nums; }
td.path { font-family: "DejaVu Sans Mono", monospace; overflow-wrap: break-word; }
td.error { color: #A0400A; }
figure { margin: 0.5rem 0 1rem; overflow-x: auto; }
/* On a narrow or much enlarged page the charts stop shrinking, so that their
   labels stay legible, and the figure scrolls sideways instead. */
svg.chart { display: block; width: 100%; height: auto; min-width: 36rem; }
footer { margin-top: 3rem; font-size: 0.85rem; color: #555555; }
)";

}  // namespace

std::string pageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         escapeHtml(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<main>\n";
}

// The footer says which build and which measure made the figures, so that a
// stored report can be compared with a later one.
std::string pageEnd() {
  const std::string version = programVersion();
  const std::string measure = std::to_string(kMeasureVersion);
  return "<footer data-version=\"" + version + "\" data-measure-version=\"" + measure + "\">Written by Orvelle " +
         version + ", measure version " + measure + ".</footer>\n</main>\n</body>\n</html>\n";
}

std::string valueCell(const std::string& field, double value, const std::string& shown) {
  return "<td class=\"number\" data-field=\"" + escapeHtml(field) + "\" data-value=\"" + exactNumber(value) + "\">" +
         escapeHtml(shown) + "</td>";
}

}  // namespace orvelle::report
