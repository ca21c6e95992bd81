#include "app/view_spectra_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>

#include "app/main_window.h"
#include "app_test_support.h"
#include "tests/support/html_scan.h"
#include "tests/support/plugin_paths.h"

namespace orvelle {
namespace {

using test::child;
using test::click;
using test::RecordingMessageBoxes;
using test::ScratchDirectory;
using test::ScriptedFileChooser;

// A sound output that records what it is given to play and is told where
// playback has got to.
class RecordingAudioOutput : public AudioOutput {
 public:
  void play(std::span<const std::int16_t> samples, std::int64_t from) override {
    heard.assign(samples.begin() + from, samples.end());
    position_ = from;
    playing_ = true;
  }
  void stop() override { playing_ = false; }
  bool playing() const override { return playing_; }
  std::int64_t position() const override { return position_; }
  void playedTo(std::int64_t position) { position_ = position; }

  std::vector<std::int16_t> heard;  // from where the last play started

 private:
  std::int64_t position_ = 0;
  bool playing_ = false;
};

std::vector<std::int16_t> samplesOf(const std::string& bytes) {
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Drives the main window as a user would: every dialog a command opens is
// handed to `inspect` and then operated by `operate`.
class ViewSpectraThreaded : public ::testing::Test {
 protected:
  ViewSpectraThreaded() : window(session, files, boxes) {
    window.setAudioOutputOpener([this]() -> std::unique_ptr<AudioOutput> {
      if (!soundDevice) return nullptr;
      auto output = std::make_unique<RecordingAudioOutput>();
      sink = output.get();
      return output;
    });
    window.setDialogRunner([this](QDialog& dialog) {
      if (auto* spectra = qobject_cast<ViewSpectraWindow*>(&dialog)) {
        ++spectraShown;
        if (inspect) inspect(*spectra);
        return static_cast<int>(QDialog::Accepted);
      }
      if (auto* codec = dialog.findChild<QLineEdit*>("codecPathBox")) {
        dialog.findChild<QComboBox*>("sourceTypeBox")->setCurrentIndex(1);
        click(dialog, "voiceBrowseButton");
        codec->setText(plugin);
        click(dialog, "okButton");
        return dialog.result();
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
  bool soundDevice = true;
  RecordingAudioOutput* sink = nullptr;  // the output of the window last opened
  QString plugin;                         // what Codec Quality's plug-in box is given
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
    // The file as it was scored, with the silence the scoring adds after
    // it, also after the session let it go.
    click(spectra, "playProcessedButton");
    std::vector<std::int16_t> scored = samplesOf(test::readWholeFile(speech.toStdString()));
    ASSERT_GE(sink->heard.size(), scored.size());
    scored.resize(sink->heard.size(), 0);
    EXPECT_EQ(sink->heard, scored);
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

TEST_F(ViewSpectraThreaded, PlaysBothSignalsAtTheMeasuredDelayAndSavesTheProcessedOne) {
  const QString speech = voiceFile("speech.pcm", 3);
  const std::vector<std::int16_t> source = samplesOf(test::readWholeFile(speech.toStdString()));
  plugin = QString::fromStdString(test::testPlugin("delayed_40_samples"));
  files.answer(speech);
  window.codecQuality();
  ASSERT_EQ(boxes.shown.size(), 1u);
  boxes.shown.clear();

  const QString savedSpeech = QString::fromStdString(scratch.file("decoded.pcm"));
  const QString reportPath = QString::fromStdString(scratch.file("codec.html"));
  inspect = [&](ViewSpectraWindow& spectra) {
    EXPECT_NE(child<QLabel>(spectra, "summary")->text().indexOf("Delay 40 samples (5.000 ms)"), -1);
    EXPECT_NE(child<QLabel>(spectra, "inputs")->text().indexOf("Codec plug-in: " + plugin), -1);
    ASSERT_NE(sink, nullptr);
    // The run scores whole frames: the speech with silence up to the last.
    click(spectra, "playSourceButton");
    std::vector<std::int16_t> scored = source;
    scored.resize(sink->heard.size(), 0);
    EXPECT_EQ(sink->heard, scored);
    ASSERT_LE(scored.size() - source.size(), 160u);
    // A second into the source, the switch enters the processed signal 40
    // samples later: the same moment of the speech.
    sink->playedTo(8000);
    click(spectra, "playProcessedButton");
    ASSERT_EQ(sink->heard.size(), scored.size() - 8040);
    EXPECT_TRUE(std::equal(sink->heard.begin(), sink->heard.end(), scored.begin() + 8000));
    EXPECT_EQ(spectra.player()->sourcePosition(), 8000);
    sink->playedTo(16040);
    click(spectra, "playSourceButton");
    EXPECT_EQ(sink->heard, std::vector<std::int16_t>(scored.begin() + 16000, scored.end()));
    click(spectra, "stopButton");
    EXPECT_EQ(spectra.player()->playing(), SpeechPlayer::Track::none);

    files.answer(savedSpeech);
    click(spectra, "saveProcessedButton");
    files.answer(reportPath);
    click(spectra, "saveReportButton");
  };
  viewSpectraFromTheMenu();
  ASSERT_EQ(spectraShown, 1);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, "The processed speech is saved.");
  const std::vector<std::int16_t> processed = samplesOf(test::readWholeFile(savedSpeech.toStdString()));
  ASSERT_GE(processed.size(), source.size() + 40);
  EXPECT_TRUE(std::equal(source.begin(), source.end(), processed.begin() + 40));

  const test::HtmlDocument page = test::scanHtml(test::readWholeFile(reportPath.toStdString()));
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_EQ(page.fields().at("companion.delaySamples")->attribute("data-value"), "40");
  bool pluginNamed = false;
  for (const test::HtmlElement& element : page.elements) {
    if (element.tag == "td" && element.text == plugin.toStdString()) pluginNamed = true;
  }
  EXPECT_TRUE(pluginNamed);
}

TEST_F(ViewSpectraThreaded, WithoutASoundDeviceTheWindowSaysSoAndOnlySavingIsOffered) {
  soundDevice = false;
  const QString speech = voiceFile("speech.pcm", 3);
  compareFiles(speech, speech);
  inspect = [&](ViewSpectraWindow& spectra) {
    EXPECT_EQ(child<QLabel>(spectra, "noSoundDevice")->text(),
              "No sound output device was found: the speech can't be played on this computer.");
    for (const char* button : {"playSourceButton", "playProcessedButton", "stopButton"}) {
      EXPECT_FALSE(child<QPushButton>(spectra, button)->isEnabled()) << button;
    }
    EXPECT_TRUE(child<QPushButton>(spectra, "saveProcessedButton")->isEnabled());
    EXPECT_EQ(spectra.player(), nullptr);
  };
  viewSpectraFromTheMenu();
  EXPECT_EQ(spectraShown, 1);
}

TEST_F(ViewSpectraThreaded, ChartsGrowWithTheWindow) {
  const QString speech = voiceFile("speech.pcm", 3);
  compareFiles(speech, speech);
  inspect = [&](ViewSpectraWindow& spectra) {
    spectra.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&spectra));
    auto* chart = child<QSvgWidget>(spectra, "chart0");
    const QSize drawn = chart->size();
    spectra.resize(spectra.width() + 400, spectra.height());
    // A window system applies the new size when it gets to it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return chart->width() >= drawn.width() + 300; })) << chart->width();
    EXPECT_NEAR(chart->height() * drawn.width(), drawn.height() * chart->width(), chart->width());
  };
  viewSpectraFromTheMenu();
  EXPECT_EQ(spectraShown, 1);
}

}  // namespace
}  // namespace orvelle
