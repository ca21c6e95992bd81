#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvelle::report {

// Okabe-Ito colours: told apart by readers with any common colour-vision
// deficiency, also in grey print.
namespace palette {
inline constexpr const char* kSource = "#0072B2";     // blue
inline constexpr const char* kProcessed = "#E69F00";  // orange
inline constexpr const char* kSecondProcessed = "#CC79A7";  // reddish purple: a second build's output
inline constexpr const char* kDifference = "#009E73"; // bluish green
inline constexpr const char* kLoss = "#D55E00";       // vermillion: what was lost or disagrees
inline constexpr const char* kShare = "#C8C8C8";      // what could have been lost
inline constexpr const char* kGrid = "#E4E4E4";
inline constexpr const char* kInk = "#222222";
}  // namespace palette

struct AxisTick {
  double value;
  std::string text;
};

// Ticks at 1, 2 or 5 times a power of ten, about `wanted` of them over
// [low, high], each written with `decimals` digits.
std::vector<AxisTick> niceTicks(double low, double high, int wanted, int decimals = 0);

struct LegendEntry {
  const char* colour;
  std::string text;
  bool line = true;  // a line sample; false: a filled box
};

// One chart: a plot area inside margins that hold the title, a legend above
// the plot, and the axes with their labels. Values map linearly onto the plot area. Every
// chart gets both axis labels and a legend; the report's checks rely on it.
class SvgPlot {
 public:
  SvgPlot(std::string title, int width, int height, std::pair<double, double> xRange,
          std::pair<double, double> yRange, int top = 58, int bottom = 48, int left = 78);

  double x(double value) const;
  double y(double value) const;
  double plotLeft() const { return left_; }
  double plotRight() const { return width_ - kRight; }
  double plotTop() const { return top_; }
  double plotBottom() const { return height_ - bottom_; }

  // Grid lines and tick labels at the ticks, and each axis's label with its
  // unit. Y ticks with empty text draw no grid line label.
  void axes(const std::string& xLabel, const std::vector<AxisTick>& xTicks, const std::string& yLabel,
            const std::vector<AxisTick>& yTicks);
  void legend(const std::vector<LegendEntry>& entries);
  // A line through the points (value pairs); a NaN y breaks the line.
  void line(const std::vector<std::pair<double, double>>& points, const char* colour, double strokeWidth = 1.5);
  // A box between two values on each axis, with an optional tooltip.
  void box(double x0, double x1, double y0, double y1, const char* colour, const std::string& tooltip = {},
           double opacity = 1.0);
  // A note in the middle of the plot area, for a chart with nothing to draw.
  void note(const std::string& text);
  void raw(const std::string& element) { body_ += element; }

  // The chart as an <svg> element, without a namespace declaration (inline
  // HTML needs none).
  std::string svg() const;

 private:
  static constexpr int kRight = 20;

  std::string title_;
  int width_;
  int height_;
  int top_;
  int bottom_;
  int left_;
  std::pair<double, double> xRange_;
  std::pair<double, double> yRange_;
  std::string body_;
};

// A chart from svg() as a file of its own, with the SVG namespace declared,
// for renderers outside a browser.
std::string standaloneSvg(const std::string& chart);

// A coordinate with one decimal, the precision a screen needs.
std::string coordinate(double value);

}  // namespace orvelle::report
