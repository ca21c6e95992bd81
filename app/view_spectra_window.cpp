#include "app/view_spectra_window.h"

#include <cmath>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QVBoxLayout>

#include "analyzer/analysis_frame.h"
#include "app/chart_widget.h"
#include "audio_io/voice_file_writer.h"
#include "report/html_text.h"
#include "report/svg_plot.h"
#include "session/result_text.h"

namespace orvelle {

namespace {

std::string decibels(double value) { return std::isnan(value) ? "n/a" : report::fixedNumber(value, 2) + " dB"; }

QString summaryText(const report::RunReport& run) {
  std::string text = run.measure + " is " + report::fixedNumber(run.score, 2) + " %, " +
                     report::fixedNumber(scorePoints(run.score), 2) + " points; speech activity agreement " +
                     report::fixedNumber(run.analysis.activityAgreement * 100.0, 2) + " %";
  if (const CompanionFigures& figures = run.analysis.companion; figures.measured) {
    text += "\nDelay " + std::to_string(figures.delaySamples) + " samples (" +
            report::fixedNumber(figures.delaySamples / (kAnalysisSampleRateHz / 1000.0), 3) + " ms); segmental SNR " +
            decibels(figures.segmentalSnrDb) + "; level difference " + decibels(figures.levelDifferenceDb);
  }
  return QString::fromStdString(text);
}

QString inputsText(const report::RunReport& run) {
  QStringList lines;
  for (const report::ReportInput& input : run.inputs) {
    lines << QString::fromStdString(input.label) + ": " + QString::fromStdString(input.value);
  }
  return lines.join('\n');
}

QWidget* chartsOf(const report::RunReport& run, QWidget* parent) {
  auto* charts = new QWidget(parent);
  auto* layout = new QVBoxLayout(charts);
  int index = 0;
  for (const std::string& chart : report::reportCharts(run)) {
    auto* picture = new ChartWidget(QByteArray::fromStdString(report::standaloneSvg(chart)), charts);
    picture->setObjectName(QString("chart%1").arg(index++));
    layout->addWidget(picture);
  }
  return charts;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
  auto* made = new QPushButton(text, parent);
  made->setObjectName(name);
  made->setAutoDefault(false);
  return made;
}

}  // namespace

ViewSpectraWindow::ViewSpectraWindow(const report::RunReport* run, const RunSignals* speech,
                                     std::unique_ptr<AudioOutput> output, FileChooser& files, MessageBoxes& boxes,
                                     QWidget* parent)
    : QDialog(parent), run_(run), signals_(speech), output_(std::move(output)), files_(files), boxes_(boxes) {
  setObjectName("viewSpectraWindow");
  setWindowTitle("View Spectra");
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  auto* save = button("Save Report...", "saveReportButton", this);
  auto* close = button("Close", "closeButton", this);
  if (run_ == nullptr) {
    auto* nothing = new QLabel("There is nothing to show yet: run Codec Quality or Compare Files first.", this);
    nothing->setObjectName("nothingYet");
    layout->addWidget(nothing);
    save->setEnabled(false);
  } else {
    auto* summary = new QLabel(summaryText(*run_), this);
    summary->setObjectName("summary");
    layout->addWidget(summary);
    auto* inputs = new QLabel(inputsText(*run_), this);
    inputs->setObjectName("inputs");
    inputs->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(inputs);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("charts");
    // The charts follow the window's width, never narrower than drawn.
    scroll->setWidgetResizable(true);
    scroll->setWidget(chartsOf(*run_, scroll));
    scroll->setMinimumSize(scroll->widget()->minimumSizeHint().width() + 24, 560);
    layout->addWidget(scroll, 1);
  }
  const bool heard = signals_ != nullptr && !signals_->source.empty();
  if (heard && output_) player_.emplace(*signals_, *output_);
  if (heard) layout->addLayout(listenRow(!signals_->processed.empty()));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, &ViewSpectraWindow::saveReport);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

ViewSpectraWindow::~ViewSpectraWindow() {
  if (player_) player_->stop();
}

QLayout* ViewSpectraWindow::listenRow(bool canSave) {
  auto* row = new QHBoxLayout;
  auto* playSource = button("Play source", "playSourceButton", this);
  auto* playProcessed = button("Play processed", "playProcessedButton", this);
  auto* stop = button("Stop", "stopButton", this);
  auto* saveProcessedButton = button("Save processed...", "saveProcessedButton", this);
  for (QPushButton* each : {playSource, playProcessed, stop}) {
    each->setEnabled(player_.has_value());
    row->addWidget(each);
  }
  if (player_) {
    connect(playSource, &QPushButton::clicked, this, [this] { player_->play(SpeechPlayer::Track::source); });
    connect(playProcessed, &QPushButton::clicked, this, [this] { player_->play(SpeechPlayer::Track::processed); });
    connect(stop, &QPushButton::clicked, this, [this] { player_->stop(); });
  } else {
    auto* notice = new QLabel("No sound output device was found: the speech can't be played on this computer.", this);
    notice->setObjectName("noSoundDevice");
    row->addWidget(notice);
  }
  row->addStretch(1);
  saveProcessedButton->setEnabled(canSave);
  row->addWidget(saveProcessedButton);
  connect(saveProcessedButton, &QPushButton::clicked, this, &ViewSpectraWindow::saveProcessed);
  return row;
}

void ViewSpectraWindow::saveReport() {
  if (run_ == nullptr) return;
  const QString path = files_.chooseFileToSave(this, file_kinds::reportFile(), {});
  if (path.isEmpty()) return;
  std::string reason;
  if (!report::writeHtmlFile(path.toStdString(), report::reportHtml(*run_), reason)) {
    boxes_.show(this, "Report can't be written!", "Error", MessageIcon::Error, QString::fromStdString(reason));
    return;
  }
  boxes_.show(this, "The report is saved.", "View Spectra", MessageIcon::Information, path);
}

void ViewSpectraWindow::saveProcessed() {
  if (signals_ == nullptr || signals_->processed.empty()) return;
  const QString path = files_.chooseFileToSave(this, file_kinds::newVoiceFile(), {});
  if (path.isEmpty()) return;
  std::string reason;
  const std::vector<std::int16_t>& samples = signals_->processed;
  if (!writeVoiceFile(path.toStdString(), samples.data(), static_cast<std::int64_t>(samples.size()), &reason)) {
    boxes_.show(this, "Processed speech can't be written!", "Error", MessageIcon::Error,
                QString::fromStdString(reason));
    return;
  }
  boxes_.show(this, "The processed speech is saved.", "View Spectra", MessageIcon::Information, path);
}

}  // namespace orvelle
