#include "app/view_spectra_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QVBoxLayout>

#include "report/html_text.h"
#include "report/svg_plot.h"
#include "session/result_text.h"

namespace orvelle {

namespace {

QString summaryText(const report::RunReport& run) {
  const std::string text = run.measure + " is " + report::fixedNumber(run.score, 2) + " %, " +
                           report::fixedNumber(scorePoints(run.score), 2) + " points; speech activity agreement " +
                           report::fixedNumber(run.analysis.activityAgreement * 100.0, 2) + " %";
  return QString::fromStdString(text);
}

QWidget* chartsOf(const report::RunReport& run, QWidget* parent) {
  auto* charts = new QWidget(parent);
  auto* layout = new QVBoxLayout(charts);
  int index = 0;
  for (const std::string& chart : report::reportCharts(run)) {
    auto* picture = new QSvgWidget(charts);
    picture->setObjectName(QString("chart%1").arg(index++));
    picture->load(QByteArray::fromStdString(report::standaloneSvg(chart)));
    // The charts keep their proportions at the size they were drawn for.
    picture->setFixedSize(picture->renderer()->defaultSize());
    layout->addWidget(picture);
  }
  return charts;
}

}  // namespace

ViewSpectraWindow::ViewSpectraWindow(const report::RunReport* run, FileChooser& files, MessageBoxes& boxes,
                                     QWidget* parent)
    : QDialog(parent), run_(run), files_(files), boxes_(boxes) {
  setObjectName("viewSpectraWindow");
  setWindowTitle("View Spectra");
  auto* layout = new QVBoxLayout(this);
  auto* save = new QPushButton("Save Report...", this);
  save->setObjectName("saveReportButton");
  auto* close = new QPushButton("Close", this);
  close->setObjectName("closeButton");
  if (run_ == nullptr) {
    auto* nothing = new QLabel("There is nothing to show yet: run Codec Quality or Compare Files first.", this);
    nothing->setObjectName("nothingYet");
    layout->addWidget(nothing);
    save->setEnabled(false);
  } else {
    auto* summary = new QLabel(summaryText(*run_), this);
    summary->setObjectName("summary");
    layout->addWidget(summary);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("charts");
    scroll->setWidget(chartsOf(*run_, scroll));
    scroll->setMinimumSize(scroll->widget()->sizeHint().width() + 24, 560);
    layout->addWidget(scroll, 1);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, &ViewSpectraWindow::saveReport);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
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

}  // namespace orvelle
