#include <cerrno>
#include <cstring>
#include <filesystem>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/operation_runner.h"
#include "app/progress_window.h"
#include "app_test_support.h"
#include "session/codec_header.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/sound_files.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

using test::child;
using test::click;
using test::ProgressWindowCounter;
using test::RecordingMessageBoxes;
using test::ScratchDirectory;
using test::ScriptedFileChooser;

const QString kPerfectCodecQuality = "Codec Quality is 100.00%,\nthat corresponds to 5.00 points";

class CommandsThreaded : public ::testing::Test {
 protected:
  CommandsThreaded() : window(session, files, boxes) {}

  // Operates every dialog a command opens with `operate` instead of a user.
  void onDialogs(std::function<void(QDialog&)> operate) {
    window.setDialogRunner([operate](QDialog& dialog) {
      operate(dialog);
      return dialog.result();
    });
  }
  // Settings dialogs answered with OK after browsing for the answers queued
  // in `files` with the named buttons.
  void okAfterBrowsing(std::vector<const char*> buttons, int sourceType = 0) {
    onDialogs([buttons, sourceType](QDialog& dialog) {
      if (auto* source = dialog.findChild<QComboBox*>("sourceTypeBox")) source->setCurrentIndex(sourceType);
      for (const char* button : buttons) click(dialog, button);
      click(dialog, "okButton");
    });
  }
  void cancelDialogs() {
    onDialogs([](QDialog& dialog) { click(dialog, "cancelButton"); });
  }
  QString path(const char* name) const { return QString::fromStdString(scratch.file(name)); }
  QString voiceFile(const char* name, int seconds) {
    test::writeVoiceFile(scratch.file(name), seconds);
    return path(name);
  }
  std::vector<QString> texts() const {
    std::vector<QString> all;
    for (const auto& shown : boxes.shown) all.push_back(shown.text);
    return all;
  }

  ScratchDirectory scratch;
  // The measurement log of every scoring command lands in the scratch folder.
  test::StartupDirectoryAt startup{scratch};
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window;
  ProgressWindowCounter operations;
};

// --- Codec Quality ---------------------------------------------------------

TEST_F(CommandsThreaded, CodecQualityWithoutAUsablePluginRunsNothing) {
  const std::vector<QString> plugins = {"", path("missing.so"),
                                        QString::fromStdString(test::testPlugin("missing_code_and_decode"))};
  for (const QString& plugin : plugins) {
    boxes.shown.clear();
    if (!plugin.isEmpty()) files.answer(plugin);
    okAfterBrowsing(plugin.isEmpty() ? std::vector<const char*>{} : std::vector<const char*>{"codecBrowseButton"});
    window.codecQuality();
    ASSERT_EQ(boxes.shown.size(), 1u) << plugin.toStdString();
    EXPECT_EQ(boxes.shown[0].text, "DLL Can't be loaded!");
    EXPECT_EQ(boxes.shown[0].caption, "Error");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_FALSE(session.isCodecLoaded());
  }
  EXPECT_EQ(operations.shown, 0);
}

TEST_F(CommandsThreaded, CodecQualityThroughAPassThroughCodecScoresPerfectly) {
  files.answer(voiceFile("speech.pcm", 3));
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  window.codecQuality();
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].text, kPerfectCodecQuality);
  EXPECT_EQ(boxes.shown[0].caption, "Codec Quality");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(operations.shown, 3);
  // Buffers go, the plug-in stays for Generate Test Signal.
  EXPECT_EQ(session.inputSamples.get(), nullptr);
  EXPECT_EQ(session.outputSamples.get(), nullptr);
  EXPECT_TRUE(session.isCodecLoaded());
}

TEST_F(CommandsThreaded, CodecQualityTakesTheBareNameOfABundledPlugIn) {
  files.answer(voiceFile("speech.pcm", 3));
  onDialogs([](QDialog& dialog) {
    dialog.findChild<QComboBox*>("sourceTypeBox")->setCurrentIndex(1);
    click(dialog, "voiceBrowseButton");
    dialog.findChild<QLineEdit*>("codecPathBox")->setText("passthrough");
    click(dialog, "okButton");
  });
  window.codecQuality();
  EXPECT_EQ(texts(), std::vector<QString>{kPerfectCodecQuality});
  EXPECT_EQ(session.codecPath.str(), test::bundledPlugin("passthrough"));
}

TEST_F(CommandsThreaded, CodecQualityRecodingFailureFreesBothBuffers) {
  files.answer(voiceFile("speech.pcm", 2));
  files.answer(QString::fromStdString(test::testPlugin("throwing_recode")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  bool preparedBuffersSeen = false;
  window.setOperationRunner([&](OperationRequest& request, std::int32_t op) {
    if (op == kRecodeVoiceData) preparedBuffersSeen = session.inputSamples && session.outputSamples;
    return runWithProgress(session, request, op, &window);
  });
  window.codecQuality();
  EXPECT_TRUE(preparedBuffersSeen);
  EXPECT_EQ(texts(), std::vector<QString>{"Voice Data Can't be Recoded!"});
  EXPECT_EQ(operations.shown, 2);
  EXPECT_EQ(session.inputSamples.get(), nullptr);
  EXPECT_EQ(session.outputSamples.get(), nullptr);
  EXPECT_TRUE(session.isCodecLoaded());
}

TEST_F(CommandsThreaded, ACrashingPlugInShowsTheErrorBoxAndTheProgramGoesOn) {
  files.answer(voiceFile("speech.pcm", 2));
  files.answer(QString::fromStdString(test::testPlugin("null_store_after_two_frames")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  window.codecQuality();
  EXPECT_EQ(texts(), std::vector<QString>{"Voice Data Can't be Recoded!"});
  EXPECT_NE(boxes.shown[0].details.toStdString().find("SIGSEGV (invalid memory access) after 2 of"), std::string::npos)
      << boxes.shown[0].details.toStdString();
  EXPECT_TRUE(session.isCodecLoaded());

  boxes.shown.clear();
  files.answer(voiceFile("speech.pcm", 3));
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  window.codecQuality();
  EXPECT_EQ(texts(), std::vector<QString>{kPerfectCodecQuality});
}

TEST_F(CommandsThreaded, TheStopButtonEndsAHangingPlugIn) {
  files.answer(voiceFile("speech.pcm", 2));
  files.answer(QString::fromStdString(test::testPlugin("endless_sleep")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  // The user presses Stop once the recoding's window offers it; the load
  // before it offers Stop too, and is let be.
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<ProgressWindow*>(widget);
      if (progress && progress->objectName() == "progressWindow" && progress->isVisible() &&
          progress->stopOffered()) {
        click(*progress, "stopButton");
      }
    }
  });
  user.start(20);
  window.codecQuality();
  EXPECT_EQ(texts(), std::vector<QString>{"Voice Data Can't be Recoded!"});
  EXPECT_NE(boxes.shown[0].details.toStdString().find("stopped by the user"), std::string::npos)
      << boxes.shown[0].details.toStdString();
  EXPECT_EQ(session.inputSamples.get(), nullptr);
  EXPECT_TRUE(session.isCodecLoaded());
}

TEST_F(CommandsThreaded, StopEndsAPlugInWhoseLoadNeverEndsWhileTheClockRuns) {
  files.answer(QString::fromStdString(test::testPlugin("endless_constructor")));
  okAfterBrowsing({"codecBrowseButton"});
  QTimer user;
  int ticksDuringLoad = 0;
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<ProgressWindow*>(widget);
      if (!progress || !progress->isVisible() || !progress->stopOffered()) continue;
      // The load runs on a worker: the user-interface thread still serves
      // timers, and the user presses Stop after a while.
      if (++ticksDuringLoad == 10) click(*progress, "stopButton");
    }
  });
  user.start(20);
  window.codecQuality();
  EXPECT_GE(ticksDuringLoad, 10);
  EXPECT_EQ(operations.loads, 1);
  EXPECT_EQ(operations.shown, 0);
  EXPECT_EQ(texts(), std::vector<QString>{"DLL Can't be loaded!"});
  EXPECT_NE(boxes.shown[0].details.toStdString().find("loading was stopped by the user"), std::string::npos)
      << boxes.shown[0].details.toStdString();
  EXPECT_FALSE(session.isCodecLoaded());
}

TEST_F(CommandsThreaded, CompareFilesOfASilentSourceFailsInsteadOfScoringFull) {
  test::writeWholeFile(scratch.file("silence.pcm"), std::string(48000, '\0'));
  files.answer(path("silence.pcm"));
  files.answer(voiceFile("speech.pcm", 3));
  okAfterBrowsing({"sourceFileBrowseButton", "processedFileBrowseButton"});
  window.compareFiles();
  EXPECT_EQ(texts(), std::vector<QString>{"Can't calculate Quality!"});
}

TEST_F(CommandsThreaded, CodecQualityScoringFailureShowsNoResultAndStillFreesTheBuffers) {
  files.answer(voiceFile("speech.pcm", 2));
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  std::vector<std::int32_t> ran;
  window.setOperationRunner([&](OperationRequest& request, std::int32_t op) -> std::int32_t {
    ran.push_back(op);
    if (op != kCalculateVoiceQuality) return runWithProgress(session, request, op, &window);
    // Scoring fails the way the dispatcher reports it.
    EXPECT_NE(session.inputSamples.get(), nullptr);
    request.owner->showMessage("Can't calculate Quality!", "Error", MessageIcon::Error);
    request.failed = 1;
    return 1;
  });
  window.codecQuality();
  EXPECT_EQ(ran, (std::vector<std::int32_t>{kPrepareVoiceData, kRecodeVoiceData, kCalculateVoiceQuality}));
  EXPECT_EQ(texts(), std::vector<QString>{"Can't calculate Quality!"});
  EXPECT_EQ(session.inputSamples.get(), nullptr);
  EXPECT_EQ(session.outputSamples.get(), nullptr);
}

TEST_F(CommandsThreaded, CodecQualityStopsAtAFailedPreparation) {
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.voiceFilePath.assign(path("absent.pcm").toStdString()));
  okAfterBrowsing({"codecBrowseButton"}, 1);
  window.codecQuality();
  EXPECT_EQ(texts(), std::vector<QString>{"Voice Data Can't be Prepared!"});
  EXPECT_EQ(operations.shown, 1);
}

// --- Generate Test Signal --------------------------------------------------

TEST_F(CommandsThreaded, GenerateTestSignalRefusesBeforeAnyCodecIsLoaded) {
  window.generateTestSignal(0);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "It is impossible to generate a signal. Dll isn't selected or loaded.");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(files.requests.empty());
  EXPECT_EQ(operations.shown, 0);
}

TEST_F(CommandsThreaded, GenerateTestSignalProceedsAfterACodecQualityWhoseOperationsFailed) {
  // The plug-in loads; the voice file does not exist, so operation 2 fails.
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.voiceFilePath.assign(path("absent.pcm").toStdString()));
  okAfterBrowsing({"codecBrowseButton"}, 1);
  window.codecQuality();
  ASSERT_TRUE(session.isCodecLoaded());
  boxes.shown.clear();
  const int operationsBefore = operations.shown;

  window.generateTestSignal(1);  // the save dialog is cancelled
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_FALSE(files.requests.empty());
  EXPECT_TRUE(files.requests.back().save);
  EXPECT_EQ(files.requests.back().filter, "voice file (*.pcm *.wav);;all files (*)");
  EXPECT_EQ(files.requests.back().defaultSuffix, "pcm");
  EXPECT_EQ(files.requests.back().initialName, "*.pcm");
  // A new name is confirmed before it is taken; an existing file is
  // replaced without a question.
  EXPECT_TRUE(files.requests.back().askToCreate);
  EXPECT_EQ(operations.shown, operationsBefore);
}

TEST_F(CommandsThreaded, GenerateTestSignalWritesTheFileAndSaysSo) {
  ASSERT_TRUE(session.codecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodec());
  files.answer(path("signal.pcm"));
  window.generateTestSignal(0);
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].text, "The test signal is successfully synthesized and saved.");
  EXPECT_EQ(boxes.shown[0].caption, "Message");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
  EXPECT_GT(std::filesystem::file_size(scratch.file("signal.pcm")), 0u);
}

// --- Compare codecs --------------------------------------------------------

TEST_F(CommandsThreaded, CompareCodecsThatSucceedsShowsNothingAndKeepsItsBuffers) {
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  onDialogs([](QDialog& dialog) {
    child<QComboBox>(dialog, "sizeTypeBox")->setCurrentIndex(0);
    click(dialog, "sourceCodecBrowseButton");
    click(dialog, "testedCodecBrowseButton");
    click(dialog, "okButton");
  });
  window.compareCodecs();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(operations.shown, 2);
  EXPECT_NE(session.comparisonSamples.get(), nullptr);
  EXPECT_NE(session.testedCodecOutput.get(), nullptr);
}

TEST_F(CommandsThreaded, CompareCodecsWithAnIncompletePluginRunsNothing) {
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  files.answer(QString::fromStdString(test::testPlugin("missing_code_and_decode")));
  okAfterBrowsing({"sourceCodecBrowseButton", "testedCodecBrowseButton"});
  window.compareCodecs();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "DLLs Can't be loaded!");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
  EXPECT_EQ(operations.shown, 0);
}

TEST_F(CommandsThreaded, CompareCodecsRecodingFailureFreesTheComparisonBuffers) {
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  files.answer(QString::fromStdString(test::testPlugin("throwing_recode")));
  onDialogs([](QDialog& dialog) {
    child<QComboBox>(dialog, "sizeTypeBox")->setCurrentIndex(0);
    click(dialog, "sourceCodecBrowseButton");
    click(dialog, "testedCodecBrowseButton");
    click(dialog, "okButton");
  });
  window.compareCodecs();
  EXPECT_EQ(texts(), std::vector<QString>{"Voice Data Can't be Recoded!"});
  EXPECT_EQ(session.comparisonSamples.get(), nullptr);
  EXPECT_EQ(session.sourceCodecOutput.get(), nullptr);
  EXPECT_EQ(session.testedCodecOutput.get(), nullptr);
}

// --- Compare Files ---------------------------------------------------------

TEST_F(CommandsThreaded, CompareFilesReportsUnderTheCodecQualityCaption) {
  const QString speech = voiceFile("speech.pcm", 3);
  files.answer(speech);
  files.answer(speech);
  okAfterBrowsing({"sourceFileBrowseButton", "processedFileBrowseButton"});
  window.compareFiles();
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].text, "File Quality is 100.00%,\nthat corresponds to 5.00 points");
  EXPECT_EQ(boxes.shown[0].caption, "Codec Quality");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(operations.shown, 1);
  // The run's log is in the start-up directory, not wherever the tests run.
  EXPECT_NE(test::readWholeFile(scratch.file("TestLog.log")).find("Quality[1] = 100.000000"), std::string::npos);
}

TEST_F(CommandsThreaded, CompareFilesThatCannotBeReadShowsOnlyTheError) {
  ASSERT_TRUE(session.sourceFilePath.assign(path("absent.pcm").toStdString()));
  ASSERT_TRUE(session.processedFilePath.assign(path("absent.pcm").toStdString()));
  onDialogs([](QDialog& dialog) { click(dialog, "okButton"); });
  window.compareFiles();
  EXPECT_EQ(texts(), std::vector<QString>{"Can't calculate Quality!"});
}

// --- Converting voice files --------------------------------------------------

TEST_F(CommandsThreaded, AVoiceFileInAnotherSoundFormatIsConvertedOnlyWhenTheUserAgrees) {
  const QString speech = voiceFile("speech.pcm", 3);
  // The same speech at 48 kHz on two channels, each sample held for six
  // frames.
  std::vector<std::int16_t> wide;
  for (const std::int16_t sample : test::readVoiceFile(speech.toStdString())) wide.insert(wide.end(), 12, sample);
  test::writeSoundFile(scratch.file("wide.wav"), wide, test::kVoiceWav, 48000, 2);
  ASSERT_TRUE(session.sourceFilePath.assign(speech.toStdString()));
  ASSERT_TRUE(session.processedFilePath.assign(scratch.file("wide.wav")));
  onDialogs([](QDialog& dialog) { click(dialog, "okButton"); });
  const QString question = "The processed voice file \"" + path("wide.wav") +
                           "\" is 48000 Hz stereo. Convert it to 8000 Hz mono for this measurement?";

  boxes.agree = false;
  window.compareFiles();
  EXPECT_EQ(boxes.questions, std::vector<QString>{question});
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(operations.shown, 0);

  boxes.agree = true;
  window.compareFiles();
  EXPECT_EQ(boxes.questions, std::vector<QString>({question, question}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Codec Quality");
  EXPECT_TRUE(boxes.shown[0].text.startsWith("File Quality is ")) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].details, "The processed voice file \"" + path("wide.wav") +
                                        "\" was converted from 48000 Hz, 2 channels, 16-bit to 8000 Hz mono "
                                        "16-bit; 0 samples clipped");
  EXPECT_EQ(operations.shown, 1);

  // A file in the measure's own format needs no question.
  boxes.shown.clear();
  ASSERT_TRUE(session.processedFilePath.assign(speech.toStdString()));
  window.compareFiles();
  EXPECT_EQ(boxes.questions.size(), 2u);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].details, "");
}

TEST_F(CommandsThreaded, CodecQualityAsksBeforeConvertingItsVoiceFile) {
  test::writeSoundFile(scratch.file("mono16k.flac"), test::readVoiceFile(voiceFile("speech.pcm", 3).toStdString()),
                       test::kVoiceFlac, 16000);
  files.answer(path("mono16k.flac"));
  files.answer(QString::fromStdString(test::bundledPlugin("passthrough")));
  okAfterBrowsing({"voiceBrowseButton", "codecBrowseButton"}, 1);
  window.codecQuality();
  EXPECT_EQ(boxes.questions, std::vector<QString>{"The voice file \"" + path("mono16k.flac") +
                                                  "\" is 16000 Hz mono. Convert it to 8000 Hz mono for this "
                                                  "measurement?"});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kPerfectCodecQuality);
  EXPECT_EQ(boxes.shown[0].details, "The voice file \"" + path("mono16k.flac") +
                                        "\" was converted from 16000 Hz, 1 channel, 16-bit to 8000 Hz mono 16-bit; "
                                        "0 samples clipped");
  EXPECT_EQ(operations.shown, 3);
}

// --- Cancelling ------------------------------------------------------------

TEST_F(CommandsThreaded, CancellingAnyDialogRunsNoOperation) {
  ASSERT_TRUE(session.codecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodec());
  cancelDialogs();
  window.codecQuality();
  window.compareCodecs();
  window.compareFiles();
  window.generateTestSignal(0);  // save dialog cancelled
  window.generateDllHeader();    // save dialog cancelled
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(operations.shown, 0);
  EXPECT_EQ(files.requests.size(), 2u);
}

// --- Tools -----------------------------------------------------------------

TEST_F(CommandsThreaded, GenerateDllHeaderWritesTheHeader) {
  files.answer(path("codec.h"));
  window.generateDllHeader();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Header file writed!");
  EXPECT_EQ(boxes.shown[0].caption, "Information");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(test::readWholeFile(scratch.file("codec.h")), codecHeaderText());
  EXPECT_EQ(files.requests.back().filter, "header file (*.h)");
  EXPECT_TRUE(files.requests.back().save);
  EXPECT_EQ(files.requests.back().defaultSuffix, "h");
  EXPECT_EQ(files.requests.back().initialName, "*.h");
  EXPECT_TRUE(files.requests.back().askToCreate);
}

TEST_F(CommandsThreaded, GenerateDllHeaderThatCannotBeWrittenSaysSo) {
  files.answer(path("no-such-folder/codec.h"));
  window.generateDllHeader();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Header file can't be writed!");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
  // The reason, with the file it concerns.
  EXPECT_TRUE(boxes.shown[0].details.contains(path("no-such-folder/codec.h")));
  EXPECT_TRUE(boxes.shown[0].details.contains(QString::fromLocal8Bit(std::strerror(ENOENT))))
      << boxes.shown[0].details.toStdString();
}

TEST_F(CommandsThreaded, ViewLogFileOpensTheLogOfTheStartupDirectory) {
  test::writeWholeFile(scratch.file("TestLog.log"), "run 1\r\n");
  QString label;
  onDialogs([&](QDialog& dialog) { label = child<QLabel>(dialog, "pathLabel")->text(); });
  window.viewLogFile();
  EXPECT_EQ(label, path("TestLog.log"));
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace orvelle
