#include "report/run_charts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "report/activity_columns.h"
#include "report/html_text.h"
#include "report/svg_plot.h"

namespace orvelle::report {

namespace {

constexpr int kChartWidth = 900;
constexpr double kTopFrequencyHz = 4000.0;
constexpr double kFrameSeconds = 0.01;  // one activity frame: 80 samples at 8 kHz
// How far below the loudest value a dB axis reaches at most; quieter values
// sit on its floor.
constexpr double kDynamicRangeDb = 90.0;
// The palest a timeline box is drawn: a single frame of disagreement in a
// pixel column of a 25-minute run must still show.
constexpr double kFaintestShare = 0.35;
const double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// Power in dB (re one squared sample unit); NaN for no power at all.
double decibels(double power) { return power > 0.0 ? 10.0 * std::log10(power) : kNotANumber; }

std::vector<AxisTick> frequencyTicks() { return niceTicks(0.0, kTopFrequencyHz, 8); }

// A dB range in whole tens around the finite values, from 10 dB above the
// loudest down to 10 dB below the quietest, but no deeper than
// kDynamicRangeDb below the top.
std::pair<double, double> decibelRange(const std::vector<double>& values) {
  double top = -std::numeric_limits<double>::infinity();
  double bottom = std::numeric_limits<double>::infinity();
  for (double value : values) {
    if (!std::isfinite(value)) continue;
    top = std::max(top, value);
    bottom = std::min(bottom, value);
  }
  if (!std::isfinite(top)) return {0.0, kDynamicRangeDb};
  const double upper = std::ceil(top / 10.0) * 10.0 + 10.0;
  const double lower = std::floor(bottom / 10.0) * 10.0 - 10.0;
  return {std::max(lower, upper - kDynamicRangeDb), upper};
}

std::vector<std::pair<double, double>> spectrumLine(const std::vector<double>& spectrum, double binHz, double floorDb) {
  std::vector<std::pair<double, double>> points;
  // Bin 0 (DC) is never counted in a band, so it is not drawn.
  for (std::size_t bin = 1; bin < spectrum.size(); ++bin) {
    const double db = decibels(spectrum[bin]);
    points.emplace_back(static_cast<double>(bin) * binHz, std::isnan(db) ? floorDb : std::max(db, floorDb));
  }
  return points;
}

bool allSilent(const std::vector<double>& spectrum) {
  return std::all_of(spectrum.begin(), spectrum.end(), [](double value) { return !(value > 0.0); });
}

// Seconds as minutes and seconds, "12:05".
std::string clockTime(double seconds) {
  const auto whole = static_cast<long long>(std::llround(seconds));
  const std::string secondsPart = std::to_string(whole % 60);
  return std::to_string(whole / 60) + ":" + (secondsPart.size() < 2 ? "0" : "") + secondsPart;
}

}  // namespace

std::string spectrumChart(const RunPictures& pictures) {
  std::vector<double> all;
  for (double value : pictures.sourceSpectrum) all.push_back(decibels(value));
  for (double value : pictures.processedSpectrum) all.push_back(decibels(value));
  const auto range = decibelRange(all);
  SvgPlot plot("Mean power spectra of the analysed frames", kChartWidth, 340, {0.0, kTopFrequencyHz}, range);
  if (allSilent(pictures.sourceSpectrum) && allSilent(pictures.processedSpectrum)) {
    plot.note("No frame held speech: both spectra are empty");
  } else {
    plot.line(spectrumLine(pictures.sourceSpectrum, pictures.binHz, range.first), palette::kSource);
    plot.line(spectrumLine(pictures.processedSpectrum, pictures.binHz, range.first), palette::kProcessed);
  }
  plot.axes("Frequency (Hz)", frequencyTicks(), "Mean power (dB)", niceTicks(range.first, range.second, 6));
  plot.legend({{palette::kSource, "Source"}, {palette::kProcessed, "Processed"}});
  return plot.svg();
}

std::string spectrumComparisonChart(const RunPictures& base, const RunPictures& next) {
  std::vector<double> all;
  for (const std::vector<double>* spectrum : {&base.sourceSpectrum, &base.processedSpectrum, &next.processedSpectrum}) {
    for (double value : *spectrum) all.push_back(decibels(value));
  }
  const auto range = decibelRange(all);
  SvgPlot plot("Mean power spectra: source, base and new", kChartWidth, 340, {0.0, kTopFrequencyHz}, range);
  if (allSilent(base.sourceSpectrum) && allSilent(base.processedSpectrum) && allSilent(next.processedSpectrum)) {
    plot.note("No frame held speech: the spectra are empty");
  } else {
    plot.line(spectrumLine(base.sourceSpectrum, base.binHz, range.first), palette::kSource);
    plot.line(spectrumLine(base.processedSpectrum, base.binHz, range.first), palette::kProcessed);
    plot.line(spectrumLine(next.processedSpectrum, next.binHz, range.first), palette::kSecondProcessed);
  }
  plot.axes("Frequency (Hz)", frequencyTicks(), "Mean power (dB)", niceTicks(range.first, range.second, 6));
  plot.legend({{palette::kSource, "Source"}, {palette::kProcessed, "Base"}, {palette::kSecondProcessed, "New"}});
  return plot.svg();
}

std::string bandLossComparisonChart(const GroupPicture& base, double baseSimilarity, const GroupPicture& next,
                                    double newSimilarity) {
  // Both builds split the same source into the same bands; should a side
  // hold fewer, its missing bands draw as lost nothing.
  const std::size_t count = std::max(base.bands.size(), next.bands.size());
  const GroupPicture& shape = base.bands.size() >= next.bands.size() ? base : next;
  double largestShare = 0.0;
  for (const BandPicture& band : shape.bands) largestShare = std::max(largestShare, band.fullShare);
  const double top = largestShare > 0.0 ? largestShare : 1.0;
  const std::string title = "Main band set " + std::to_string(shape.number) + ": similarity " +
                            fixedNumber(baseSimilarity, 2) + " % (base), " + fixedNumber(newSimilarity, 2) + " % (new)";
  SvgPlot plot(title, kChartWidth, 260, {0.0, std::max(static_cast<double>(count), 1.0)}, {0.0, top});
  if (count == 0) plot.note("This band set has no bands");
  const auto lost = [](const GroupPicture& group, std::size_t c) {
    return c < group.bands.size() ? group.bands[c].lostPoints : 0.0;
  };
  std::vector<AxisTick> ticks;
  const std::size_t every = count > 20 ? 2 : 1;
  for (std::size_t c = 0; c < count; ++c) {
    const BandPicture& band = shape.bands[c];
    const double slot = static_cast<double>(c);
    const std::string bandName = fixedNumber(band.lowerHz, 1) + " to " + fixedNumber(band.upperHz, 1) + " Hz";
    plot.box(slot + 0.1, slot + 0.9, 0.0, band.fullShare, palette::kShare,
             bandName + ": a share of " + fixedNumber(band.fullShare, 2) + " points");
    plot.box(slot + 0.15, slot + 0.5, 0.0, lost(base, c), palette::kProcessed,
             "Base, " + bandName + ": lost " + fixedNumber(lost(base, c), 2) + " points");
    plot.box(slot + 0.5, slot + 0.85, 0.0, lost(next, c), palette::kSecondProcessed,
             "New, " + bandName + ": lost " + fixedNumber(lost(next, c), 2) + " points");
    if (c % every == 0) ticks.push_back({slot + 0.5, fixedNumber((band.lowerHz + band.upperHz) / 2.0, 0)});
  }
  plot.axes("Band centre (Hz)", ticks, "Points lost", niceTicks(0.0, top, 4, 2));
  plot.legend({{palette::kShare, "Band's share", false},
               {palette::kProcessed, "Base lost", false},
               {palette::kSecondProcessed, "New lost", false}});
  return plot.svg();
}

std::string spectrumDifferenceChart(const RunPictures& pictures) {
  std::vector<std::pair<double, double>> points;
  double largest = 0.0;
  const std::size_t bins = std::min(pictures.sourceSpectrum.size(), pictures.processedSpectrum.size());
  for (std::size_t bin = 1; bin < bins; ++bin) {
    const double difference = decibels(pictures.processedSpectrum[bin]) - decibels(pictures.sourceSpectrum[bin]);
    if (std::isfinite(difference)) largest = std::max(largest, std::abs(difference));
    points.emplace_back(static_cast<double>(bin) * pictures.binHz, std::isfinite(difference) ? difference : kNotANumber);
  }
  const double limit = std::clamp(std::ceil(largest / 5.0) * 5.0, 10.0, 60.0);
  SvgPlot plot("Processed spectrum less source spectrum", kChartWidth, 240, {0.0, kTopFrequencyHz}, {-limit, limit});
  const std::string zero = coordinate(plot.y(0.0));
  plot.raw("<line x1=\"" + coordinate(plot.plotLeft()) + "\" x2=\"" + coordinate(plot.plotRight()) + "\" y1=\"" +
           zero + "\" y2=\"" + zero + "\" stroke=\"" + palette::kInk + "\" stroke-dasharray=\"4 3\"/>");
  if (largest == 0.0 && std::none_of(points.begin(), points.end(), [](const auto& p) { return !std::isnan(p.second); })) {
    plot.note("No bin where both signals have power");
  } else {
    for (auto& point : points) {
      if (!std::isnan(point.second)) point.second = std::clamp(point.second, -limit, limit);
    }
    plot.line(points, palette::kDifference);
  }
  plot.axes("Frequency (Hz)", frequencyTicks(), "Difference (dB)", niceTicks(-limit, limit, 4));
  plot.legend({{palette::kDifference, "Processed less source (above 0: louder after the codec)"}});
  return plot.svg();
}

std::string bandChart(const GroupPicture& group, double similarity) {
  const auto count = static_cast<double>(group.bands.size());
  std::vector<double> levels;
  double largestShare = 0.0;
  for (const BandPicture& band : group.bands) {
    levels.push_back(decibels(band.sourceEnergy));
    levels.push_back(decibels(band.processedEnergy));
    largestShare = std::max(largestShare, band.fullShare);
  }
  const auto range = decibelRange(levels);
  const std::string title = "Main band set " + std::to_string(group.number) + ": similarity " +
                            fixedNumber(similarity, 2) + " %";
  constexpr int kHeight = 420;
  constexpr int kSharePanel = 90;  // height of the lower panel, in the chart's units
  SvgPlot plot(title, kChartWidth, kHeight, {0.0, std::max(count, 1.0)}, range, 58, 48 + kSharePanel + 24);
  if (group.bands.empty()) plot.note("This band set has no bands");

  // The lower panel shares the x axis: each band's share of the similarity
  // in grey, what it lost of it over that in vermillion.
  const double panelTop = plot.plotBottom() + 24;
  const double panelBottom = panelTop + kSharePanel;
  const double shareScale = largestShare > 0.0 ? kSharePanel / largestShare : 0.0;
  std::string panel = "<g class=\"shares\">";
  for (std::size_t c = 0; c < group.bands.size(); ++c) {
    const BandPicture& band = group.bands[c];
    const double slot = static_cast<double>(c);
    const std::string bandName = fixedNumber(band.lowerHz, 1) + " to " + fixedNumber(band.upperHz, 1) + " Hz";
    const double sourceDb = std::max(decibels(band.sourceEnergy), range.first);
    const double processedDb = std::max(decibels(band.processedEnergy), range.first);
    plot.box(slot + 0.12, slot + 0.5, range.first, std::isnan(sourceDb) ? range.first : sourceDb, palette::kSource,
             "Source, " + bandName + ": " + fixedNumber(decibels(band.sourceEnergy), 1) + " dB");
    plot.box(slot + 0.5, slot + 0.88, range.first, std::isnan(processedDb) ? range.first : processedDb,
             palette::kProcessed,
             "Processed, " + bandName + ": " + fixedNumber(decibels(band.processedEnergy), 1) + " dB");
    const double left = plot.x(slot + 0.2);
    const double width = plot.x(slot + 0.8) - left;
    const double shareHeight = band.fullShare * shareScale;
    const double lostHeight = band.lostPoints * shareScale;
    const std::string tooltip = bandName + (band.judged ? ": lost " + fixedNumber(band.lostPoints, 2) + " of " +
                                                              fixedNumber(band.fullShare, 2) + " points"
                                                        : ": too faint in the source to count");
    panel += "<rect x=\"" + coordinate(left) + "\" y=\"" + coordinate(panelBottom - shareHeight) + "\" width=\"" +
             coordinate(width) + "\" height=\"" + coordinate(shareHeight) + "\" fill=\"" + palette::kShare +
             "\"><title>" + escapeHtml(tooltip) + "</title></rect>";
    if (lostHeight > 0.0) {
      panel += "<rect x=\"" + coordinate(left) + "\" y=\"" + coordinate(panelBottom - lostHeight) + "\" width=\"" +
               coordinate(width) + "\" height=\"" + coordinate(lostHeight) + "\" fill=\"" + palette::kLoss +
               "\"><title>" + escapeHtml(tooltip) + "</title></rect>";
    }
  }
  panel += "<text x=\"" + coordinate(plot.plotLeft() - 8) + "\" y=\"" + coordinate(panelTop + 10) +
           "\" text-anchor=\"end\" font-size=\"12\">" + fixedNumber(largestShare, 2) + "</text>";
  panel += "<text x=\"" + coordinate(plot.plotLeft() - 8) + "\" y=\"" + coordinate(panelBottom) +
           "\" text-anchor=\"end\" font-size=\"12\">0</text>";
  const double panelMiddle = (panelTop + panelBottom) / 2.0;
  panel += "<text x=\"40\" y=\"" + coordinate(panelMiddle) + "\" text-anchor=\"middle\" font-size=\"12\" transform=\"rotate(-90 40 " +
           coordinate(panelMiddle) + ")\">Points</text>";
  panel += "<line x1=\"" + coordinate(plot.plotLeft()) + "\" x2=\"" + coordinate(plot.plotRight()) + "\" y1=\"" +
           coordinate(panelBottom) + "\" y2=\"" + coordinate(panelBottom) + "\" stroke=\"" + palette::kInk + "\"/>";
  panel += "</g>";
  plot.raw(panel);

  std::vector<AxisTick> ticks;
  // Band centres under the lower panel; with many bands every other one, so
  // that the labels never run into each other.
  const std::size_t every = group.bands.size() > 20 ? 2 : 1;
  for (std::size_t c = 0; c < group.bands.size(); c += every) {
    const BandPicture& band = group.bands[c];
    ticks.push_back({static_cast<double>(c) + 0.5, fixedNumber((band.lowerHz + band.upperHz) / 2.0, 0)});
  }
  plot.axes("Band centre (Hz); lower panel: points of the similarity each band lost (vermillion) of its share (grey)",
            {}, "Band energy (dB)", niceTicks(range.first, range.second, 5));
  // The tick labels go under the lower panel, below the shared x positions.
  std::string labels = "<g class=\"ticks\" font-size=\"12\">";
  for (const AxisTick& tick : ticks) {
    labels += "<text x=\"" + coordinate(plot.x(tick.value)) + "\" y=\"" + coordinate(panelBottom + 15) +
              "\" text-anchor=\"middle\">" + escapeHtml(tick.text) + "</text>";
  }
  plot.raw(labels + "</g>");
  plot.legend({{palette::kSource, "Source", false},
               {palette::kProcessed, "Processed", false},
               {palette::kShare, "Band's share", false},
               {palette::kLoss, "Lost of it", false}});
  return plot.svg();
}

std::string activityChart(const ActivityTimeline& timeline) {
  const double seconds = timeline.frameCount * kFrameSeconds;
  // A wider left margin for the lane names.
  SvgPlot plot("Speech activity over the run", kChartWidth, 210, {0.0, std::max(seconds, kFrameSeconds)}, {0.0, 3.0},
               58, 48, 112);
  const auto pixels = static_cast<std::int32_t>(std::lround(plot.plotRight() - plot.plotLeft()));
  const std::vector<ActivityColumn> columns = activityColumns(timeline, pixels);
  struct Lane {
    const char* colour;
    double ActivityColumn::*share;
    double bottom;
    const char* name;
  };
  const Lane lanes[] = {{palette::kSource, &ActivityColumn::source, 2.0, "Source speech"},
                        {palette::kProcessed, &ActivityColumn::processed, 1.0, "Processed speech"},
                        {palette::kLoss, &ActivityColumn::disagreement, 0.0, "Disagreement"}};
  for (const Lane& lane : lanes) {
    // Neighbouring columns of equal share become one box.
    for (std::size_t c = 0; c < columns.size();) {
      const double share = columns[c].*lane.share;
      std::size_t next = c + 1;
      while (next < columns.size() && columns[next].*lane.share == share) ++next;
      if (share > 0.0) {
        const double start = columns[c].firstFrame * kFrameSeconds;
        const double end = (columns[next - 1].firstFrame + columns[next - 1].frames) * kFrameSeconds;
        plot.box(start, end, lane.bottom + 0.15, lane.bottom + 0.85, lane.colour,
                 std::string(lane.name) + ", " + fixedNumber(start, 2) + " to " + fixedNumber(end, 2) + " s: " +
                     fixedNumber(share * 100.0, 0) + " % of frames",
                 std::max(share, kFaintestShare));
      }
      c = next;
    }
  }
  if (timeline.frameCount == 0) plot.note("The run had no whole 10 ms frame");
  const bool minutes = seconds > 120.0;
  std::vector<AxisTick> ticks = niceTicks(0.0, seconds, 10, seconds < 5.0 ? 1 : 0);
  if (minutes) {
    ticks.clear();
    // Steps of whole minutes or of 10, 20, 30 s read as clock times.
    double step = 10.0;
    for (double candidate : {10.0, 20.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0}) {
      step = candidate;
      if (seconds / candidate <= 10.0) break;
    }
    for (double t = 0.0; t <= seconds + 1e-9; t += step) ticks.push_back({t, clockTime(t)});
  }
  plot.axes(minutes ? "Time (min:s)" : "Time (s)", ticks, "Signal",
            {{0.5, "Disagree"}, {1.5, "Processed"}, {2.5, "Source"}});
  plot.legend({{palette::kSource, "Source heard speech", false},
               {palette::kProcessed, "Processed heard speech", false},
               {palette::kLoss, "They disagree (paler: part of a pixel)", false}});
  return plot.svg();
}

}  // namespace orvelle::report
