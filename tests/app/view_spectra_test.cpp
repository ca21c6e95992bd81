#include "app/view_spectra_window.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app_test_support.h"
#include "tests/support/html_scan.h"

namespace orvelle {
namespace {

using test::child;
using test::click;
using test::RecordingMessageBoxes;
using test::ScratchDirectory;
using test::ScriptedFileChooser;

// Drives the main window as a user would: every dialog a command opens is
// handed to `inspect` and then operated by `operate`.
class ViewSpectraThreaded : public ::testing::Test {
 protected:
  ViewSpectraThreaded() : window(session, files, boxes) {
    window.setDialogRunner([this](QDialog& dialog) {
      if (auto* spectra = qobject_cast<ViewSpectraWindow*>(&dialog)) {
        ++spectraShown;
        if (inspect) inspect(*spectra);
        return static_cast<int>(QDialog::Accepted);
      }
      click(dialog, "sourceFileBrowseButton");
      click(dialog, "processedFileBrowseButton");
      click(dialog, "okButton");
      return dialog.result();
    });
  }
  // Tools > View Spectra, the last item, as the menu runs it.
  void viewSpectraFromTheMenu() {
    const QList<QAction*> popups = window.findChild<QMenuBar*>()->actions();
    popups[2]->menu()->actions().last()->trigger();
  }
  void compareFiles(const QString& source, const QString& processed) {
    files.answer(source);
    files.answer(processed);
    window.compareFiles();
  }
  QString voiceFile(const char* name, int seconds) {
    test::writeVoiceFile(scratch.file(name), seconds);
    return QString::fromStdString(scratch.file(name));
  }

  ScratchDirectory scratch;
  test::StartupDirectoryAt startup{scratch};
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window;
  std::function<void(ViewSpectraWindow&)> inspect;
  int spectraShown = 0;
};

TEST_F(ViewSpectraThreaded, BeforeAnyScoringRunThereIsNothingToShow) {
  inspect = [](ViewSpectraWindow& spectra) {
    EXPECT_EQ(spectra.windowTitle(), "View Spectra");
    EXPECT_EQ(child<QLabel>(spectra, "nothingYet")->text(),
              "There is nothing to show yet: run Codec Quality or Compare Files first.");
    EXPECT_FALSE(child<QPushButton>(spectra, "saveReportButton")->isEnabled());
    EXPECT_TRUE(spectra.findChildren<QSvgWidget*>().isEmpty());
  };
  viewSpectraFromTheMenu();
  EXPECT_EQ(spectraShown, 1);
  EXPECT_TRUE(files.requests.empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ViewSpectraThreaded, ShowsTheLastRunsChartsAndSavesItsReport) {
  const QString speech = voiceFile("speech.pcm", 3);
  compareFiles(speech, speech);
  ASSERT_EQ(boxes.shown.size(), 1u);
  boxes.shown.clear();

  const QString reportPath = QString::fromStdString(scratch.file("last run.html"));
  inspect = [&](ViewSpectraWindow& spectra) {
    EXPECT_TRUE(spectra.findChildren<QLabel*>("nothingYet").isEmpty());
    EXPECT_EQ(child<QLabel>(spectra, "summary")->text(),
              "File Quality is 100.00 %, 5.00 points; speech activity agreement 100.00 %\n"
              "Delay 0 samples (0.000 ms); segmental SNR 35.00 dB; level difference 0.00 dB");
    const auto charts = spectra.findChildren<QSvgWidget*>();
    ASSERT_EQ(charts.size(), 8);  // spectra, difference, five band sets, activity
    for (QSvgWidget* chart : charts) {
      EXPECT_TRUE(chart->renderer()->isValid()) << chart->objectName().toStdString();
      EXPECT_GT(chart->width(), 600);
    }
    files.answer(reportPath);
    click(spectra, "saveReportButton");
  };
  viewSpectraFromTheMenu();
  ASSERT_EQ(files.requests.size(), 3u);
  EXPECT_TRUE(files.requests[2].save);
  EXPECT_EQ(files.requests[2].defaultSuffix, "html");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "The report is saved.");

  const test::HtmlDocument page = test::scanHtml(test::readWholeFile(reportPath.toStdString()));
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_EQ(page.fields().at("score")->attribute("data-value"), "100");
  bool sourceShown = false;
  for (const test::HtmlElement& element : page.elements) {
    if (element.tag == "td" && element.text == speech.toStdString()) sourceShown = true;
  }
  EXPECT_TRUE(sourceShown);
}

TEST_F(ViewSpectraThreaded, AFailedRunKeepsTheLastGoodOneAndSaveFailuresAreReported) {
  const QString speech = voiceFile("speech.pcm", 3);
  compareFiles(speech, speech);
  compareFiles(speech, QString::fromStdString(scratch.file("missing.pcm")));
  ASSERT_EQ(boxes.shown.size(), 2u);
  boxes.shown.clear();
  inspect = [&](ViewSpectraWindow& spectra) {
    EXPECT_EQ(child<QLabel>(spectra, "summary")->text().left(24), "File Quality is 100.00 %");
    files.answer(QString::fromStdString(scratch.file("no-such-folder/report.html")));
    click(spectra, "saveReportButton");
    files.answer({});  // cancelled: nothing written, nothing said
    click(spectra, "saveReportButton");
  };
  viewSpectraFromTheMenu();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Report can't be written!");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_NE(boxes.shown[0].details.indexOf("no-such-folder/report.html"), -1) << boxes.shown[0].details.toStdString();
}

}  // namespace
}  // namespace orvelle
