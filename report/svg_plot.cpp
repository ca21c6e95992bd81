#include "report/svg_plot.h"

#include <algorithm>
#include <cmath>

#include "report/html_text.h"

namespace orvelle::report {

namespace {

constexpr int kTickLength = 5;

double niceStep(double span, int wanted) {
  const double rough = span / std::max(wanted, 1);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough) return factor * power;
  }
  return 10.0 * power;
}

std::string textElement(double x, double y, const std::string& text, const char* anchor, const char* cls = nullptr,
                        const std::string& extra = {}) {
  std::string element = "<text x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" text-anchor=\"" + anchor + "\"";
  if (cls != nullptr) element += std::string(" class=\"") + cls + "\"";
  element += extra + ">" + escapeHtml(text) + "</text>";
  return element;
}

}  // namespace

std::string coordinate(double value) { return fixedNumber(value, 1); }

std::vector<AxisTick> niceTicks(double low, double high, int wanted, int decimals) {
  std::vector<AxisTick> ticks;
  if (!(high > low)) return ticks;
  const double step = niceStep(high - low, wanted);
  for (double value = std::ceil(low / step - 1e-9) * step; value <= high + step * 1e-9; value += step) {
    const double rounded = std::abs(value) < step * 1e-9 ? 0.0 : value;
    ticks.push_back({rounded, fixedNumber(rounded, decimals)});
  }
  return ticks;
}

SvgPlot::SvgPlot(std::string title, int width, int height, std::pair<double, double> xRange,
                 std::pair<double, double> yRange, int top, int bottom, int left)
    : title_(std::move(title)), width_(width), height_(height), top_(top), bottom_(bottom), left_(left),
      xRange_(xRange), yRange_(yRange) {}

double SvgPlot::x(double value) const {
  const double span = xRange_.second - xRange_.first;
  const double share = span > 0.0 ? (value - xRange_.first) / span : 0.0;
  return plotLeft() + std::clamp(share, 0.0, 1.0) * (plotRight() - plotLeft());
}

double SvgPlot::y(double value) const {
  const double span = yRange_.second - yRange_.first;
  const double share = span > 0.0 ? (value - yRange_.first) / span : 0.0;
  return plotBottom() - std::clamp(share, 0.0, 1.0) * (plotBottom() - plotTop());
}

void SvgPlot::axes(const std::string& xLabel, const std::vector<AxisTick>& xTicks, const std::string& yLabel,
                   const std::vector<AxisTick>& yTicks) {
  std::string grid = "<g class=\"grid\" stroke=\"" + std::string(palette::kGrid) + "\" stroke-width=\"1\">";
  std::string labels = "<g class=\"ticks\" font-size=\"12\" fill=\"" + std::string(palette::kInk) + "\">";
  for (const AxisTick& tick : yTicks) {
    const std::string py = coordinate(y(tick.value));
    grid += "<line x1=\"" + coordinate(plotLeft()) + "\" x2=\"" + coordinate(plotRight()) + "\" y1=\"" + py +
            "\" y2=\"" + py + "\"/>";
    if (!tick.text.empty()) labels += textElement(plotLeft() - kTickLength - 3, y(tick.value) + 4, tick.text, "end");
  }
  for (const AxisTick& tick : xTicks) {
    const std::string px = coordinate(x(tick.value));
    grid += "<line x1=\"" + px + "\" x2=\"" + px + "\" y1=\"" + coordinate(plotBottom()) + "\" y2=\"" +
            coordinate(plotBottom() + kTickLength) + "\" stroke=\"" + palette::kInk + "\"/>";
    labels += textElement(x(tick.value), plotBottom() + kTickLength + 14, tick.text, "middle");
  }
  grid += "</g>";
  labels += "</g>";
  const std::string frame = "<rect x=\"" + coordinate(plotLeft()) + "\" y=\"" + coordinate(plotTop()) +
                            "\" width=\"" + coordinate(plotRight() - plotLeft()) + "\" height=\"" +
                            coordinate(plotBottom() - plotTop()) + "\" fill=\"none\" stroke=\"" + palette::kInk +
                            "\" stroke-width=\"1\"/>";
  const double middleY = (plotTop() + plotBottom()) / 2.0;
  const std::string yLabelElement =
      textElement(18, middleY, yLabel, "middle", "axis-label y",
                  " font-size=\"13\" transform=\"rotate(-90 18 " + coordinate(middleY) + ")\"");
  const std::string xLabelElement =
      textElement((plotLeft() + plotRight()) / 2.0, height_ - 8, xLabel, "middle", "axis-label x", " font-size=\"13\"");
  body_ = grid + body_ + frame + labels + xLabelElement + yLabelElement;
}

void SvgPlot::legend(const std::vector<LegendEntry>& entries) {
  std::string group = "<g class=\"legend\" font-size=\"13\" fill=\"" + std::string(palette::kInk) + "\">";
  double left = plotLeft();
  const double baseline = 42;
  for (const LegendEntry& entry : entries) {
    if (entry.line) {
      group += "<line x1=\"" + coordinate(left) + "\" x2=\"" + coordinate(left + 22) + "\" y1=\"" +
               coordinate(baseline - 4) + "\" y2=\"" + coordinate(baseline - 4) + "\" stroke=\"" + entry.colour +
               "\" stroke-width=\"3\"/>";
    } else {
      group += "<rect x=\"" + coordinate(left) + "\" y=\"" + coordinate(baseline - 11) +
               "\" width=\"22\" height=\"12\" fill=\"" + entry.colour + "\"/>";
    }
    group += textElement(left + 28, baseline, entry.text, "start");
    // Wide enough for the text at 13 px in the usual sans-serif faces.
    left += 28 + 7.5 * static_cast<double>(entry.text.size()) + 24;
  }
  body_ += group + "</g>";
}

void SvgPlot::line(const std::vector<std::pair<double, double>>& points, const char* colour, double strokeWidth) {
  std::string path;
  bool open = false;
  for (const auto& [px, py] : points) {
    if (std::isnan(py)) {
      open = false;
      continue;
    }
    path += (open ? " L" : " M") + coordinate(x(px)) + " " + coordinate(y(py));
    open = true;
  }
  if (path.empty()) return;
  body_ += "<path d=\"" + path.substr(1) + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" +
           fixedNumber(strokeWidth, 1) + "\" stroke-linejoin=\"round\"/>";
}

void SvgPlot::box(double x0, double x1, double y0, double y1, const char* colour, const std::string& tooltip,
                  double opacity) {
  const double left = std::min(x(x0), x(x1));
  const double top = std::min(y(y0), y(y1));
  const double width = std::abs(x(x1) - x(x0));
  const double height = std::abs(y(y1) - y(y0));
  std::string element = "<rect x=\"" + coordinate(left) + "\" y=\"" + coordinate(top) + "\" width=\"" +
                        coordinate(width) + "\" height=\"" + coordinate(height) + "\" fill=\"" + colour + "\"";
  if (opacity < 1.0) element += " fill-opacity=\"" + fixedNumber(opacity, 2) + "\"";
  if (tooltip.empty()) {
    element += "/>";
  } else {
    element += "><title>" + escapeHtml(tooltip) + "</title></rect>";
  }
  body_ += element;
}

void SvgPlot::note(const std::string& text) {
  body_ += textElement((plotLeft() + plotRight()) / 2.0, (plotTop() + plotBottom()) / 2.0, text, "middle", "note",
                       " font-size=\"14\" fill=\"" + std::string(palette::kInk) + "\"");
}

std::string SvgPlot::svg() const {
  const std::string size = std::to_string(width_) + " " + std::to_string(height_);
  return "<svg class=\"chart\" viewBox=\"0 0 " + size + "\" width=\"" + std::to_string(width_) + "\" height=\"" +
         std::to_string(height_) + "\" role=\"img\" font-family=\"DejaVu Sans, Verdana, sans-serif\"><title>" +
         escapeHtml(title_) + "</title><rect width=\"" + std::to_string(width_) + "\" height=\"" +
         std::to_string(height_) + "\" fill=\"#FFFFFF\"/>" +
         textElement(plotLeft(), 20, title_, "start", "chart-title",
                     " font-size=\"15\" font-weight=\"bold\" fill=\"" + std::string(palette::kInk) + "\"") +
         body_ + "</svg>";
}

std::string standaloneSvg(const std::string& chart) {
  const std::string opening = "<svg ";
  if (chart.compare(0, opening.size(), opening) != 0) return chart;
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" " + chart.substr(opening.size());
}

}  // namespace orvelle::report
