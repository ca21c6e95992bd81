#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/codec_comparison_settings_dialog.h"
#include "app/codec_quality_settings_dialog.h"
#include "app/compare_files_dialog.h"
#include "app_test_support.h"
#include "session/test_session.h"

namespace orvelle {
namespace {

using test::child;
using test::click;
using test::RecordingMessageBoxes;
using test::ScriptedFileChooser;

QComboBox* box(QDialog& dialog, const char* name) { return child<QComboBox>(dialog, name); }
QLineEdit* path(QDialog& dialog, const char* name) { return child<QLineEdit>(dialog, name); }
QPushButton* button(QDialog& dialog, const char* name) { return child<QPushButton>(dialog, name); }

class SettingsDialogs : public ::testing::Test {
 protected:
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
};

TEST_F(SettingsDialogs, CodecQualityFirstUseShowsTheSessionDefaults) {
  CodecQualitySettingsDialog dialog(session, files, boxes);
  EXPECT_EQ(dialog.windowTitle(), "Settings For Codec Quality Test");
  EXPECT_EQ(box(dialog, "sourceTypeBox")->currentText(), "0. Internal Source");
  EXPECT_EQ(box(dialog, "sourceTypeBox")->count(), 2);
  EXPECT_EQ(path(dialog, "voicePathBox")->text(), "Internal Source");
  EXPECT_FALSE(button(dialog, "voiceBrowseButton")->isEnabled());
  EXPECT_EQ(box(dialog, "sizeTypeBox")->currentText(), "1. Normal");
  EXPECT_TRUE(box(dialog, "sizeTypeBox")->isEnabled());
  EXPECT_TRUE(path(dialog, "codecPathBox")->text().isEmpty());
  // Paths are display-only: only the browse buttons fill them.
  EXPECT_FALSE(path(dialog, "codecPathBox")->isEnabled());
  EXPECT_FALSE(path(dialog, "voicePathBox")->isEnabled());
}

TEST_F(SettingsDialogs, CodecQualityOpensWithTheLastRunsValues) {
  session.sourceType = 1;
  session.sizeType = 2;
  ASSERT_TRUE(session.voiceFilePath.assign("/data/speech.pcm"));
  ASSERT_TRUE(session.codecPath.assign("/codecs/g711.so"));
  CodecQualitySettingsDialog dialog(session, files, boxes);
  EXPECT_EQ(box(dialog, "sourceTypeBox")->currentIndex(), 1);
  EXPECT_EQ(path(dialog, "voicePathBox")->text(), "/data/speech.pcm");
  EXPECT_TRUE(button(dialog, "voiceBrowseButton")->isEnabled());
  EXPECT_EQ(box(dialog, "sizeTypeBox")->currentIndex(), 2);
  EXPECT_EQ(path(dialog, "codecPathBox")->text(), "/codecs/g711.so");
}

TEST_F(SettingsDialogs, SizeBoxStaysEnabledOnOpeningAndFollowsLaterChanges) {
  session.sourceType = 1;
  CodecQualitySettingsDialog dialog(session, files, boxes);
  EXPECT_TRUE(box(dialog, "sizeTypeBox")->isEnabled());
  box(dialog, "sourceTypeBox")->setCurrentIndex(0);
  EXPECT_TRUE(box(dialog, "sizeTypeBox")->isEnabled());
  EXPECT_EQ(path(dialog, "voicePathBox")->text(), "Internal Source");
  box(dialog, "sourceTypeBox")->setCurrentIndex(1);
  EXPECT_FALSE(box(dialog, "sizeTypeBox")->isEnabled());
  EXPECT_TRUE(button(dialog, "voiceBrowseButton")->isEnabled());
}

TEST_F(SettingsDialogs, ReturningToTheInternalSourceRestoresTheStoredSize) {
  CodecQualitySettingsDialog dialog(session, files, boxes);
  box(dialog, "sizeTypeBox")->setCurrentIndex(2);
  box(dialog, "sourceTypeBox")->setCurrentIndex(1);
  box(dialog, "sourceTypeBox")->setCurrentIndex(0);
  EXPECT_EQ(box(dialog, "sizeTypeBox")->currentIndex(), 1);
}

TEST_F(SettingsDialogs, CodecQualityKeepsAChangedSourceTypeAfterCancel) {
  CodecQualitySettingsDialog dialog(session, files, boxes);
  box(dialog, "sourceTypeBox")->setCurrentIndex(1);
  click(dialog, "cancelButton");
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(session.sourceType, 1);
}

TEST_F(SettingsDialogs, ComparisonDropsAChangedSourceTypeOnCancel) {
  CodecComparisonSettingsDialog dialog(session, files, boxes);
  EXPECT_EQ(dialog.windowTitle(), "Codecs Compareation Settings");
  box(dialog, "sourceTypeBox")->setCurrentIndex(1);
  box(dialog, "sizeTypeBox")->setCurrentIndex(0);
  click(dialog, "cancelButton");
  EXPECT_EQ(session.sourceType, 0);
  EXPECT_EQ(session.sizeType, 1);
}

TEST_F(SettingsDialogs, BrowseDialogsStartFromThePathInTheirBox) {
  session.sourceType = 1;
  ASSERT_TRUE(session.voiceFilePath.assign("/voices/a.pcm"));
  ASSERT_TRUE(session.codecPath.assign("/codecs/g711.so"));
  CodecQualitySettingsDialog dialog(session, files, boxes);
  click(dialog, "voiceBrowseButton");
  click(dialog, "codecBrowseButton");
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[0].current, "/voices/a.pcm");
  EXPECT_EQ(files.requests[1].current, "/codecs/g711.so");
}

TEST_F(SettingsDialogs, BrowsedPathsSurviveCancel) {
  files.answer("/codecs/tested.so");
  files.answer("/voices/a.pcm");
  {
    CodecQualitySettingsDialog dialog(session, files, boxes);
    click(dialog, "codecBrowseButton");
    EXPECT_EQ(path(dialog, "codecPathBox")->text(), "/codecs/tested.so");
    box(dialog, "sourceTypeBox")->setCurrentIndex(1);
    click(dialog, "voiceBrowseButton");
    click(dialog, "cancelButton");
  }
  EXPECT_EQ(session.codecPath.str(), "/codecs/tested.so");
  EXPECT_EQ(session.voiceFilePath.str(), "/voices/a.pcm");
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[0].filter, "dll file (*.so *.so.*);;all files (*)");
  EXPECT_EQ(files.requests[1].filter, "voice file (*.pcm *.wav *.flac);;all files (*)");
  EXPECT_FALSE(files.requests[0].save);
  EXPECT_FALSE(files.requests[1].save);
  EXPECT_EQ(files.requests[0].defaultSuffix, "so");
  EXPECT_EQ(files.requests[0].initialName, "*.so");
  EXPECT_EQ(files.requests[1].defaultSuffix, "pcm");
  EXPECT_EQ(files.requests[1].initialName, "*.pcm");
  // Browsing takes any name in an existing folder without a question.
  EXPECT_FALSE(files.requests[0].askToCreate);
  EXPECT_FALSE(files.requests[1].askToCreate);

  files.answer("/codecs/source.so");
  files.answer("/codecs/other.so");
  {
    CodecComparisonSettingsDialog dialog(session, files, boxes);
    click(dialog, "sourceCodecBrowseButton");
    click(dialog, "testedCodecBrowseButton");
    click(dialog, "cancelButton");
  }
  EXPECT_EQ(session.sourceCodecPath.str(), "/codecs/source.so");
  EXPECT_EQ(session.testedCodecPath.str(), "/codecs/other.so");

  files.answer("/voices/src.pcm");
  {
    CompareFilesDialog dialog(session, files, boxes);
    click(dialog, "sourceFileBrowseButton");
    click(dialog, "cancelButton");
  }
  EXPECT_EQ(session.sourceFilePath.str(), "/voices/src.pcm");
}

TEST_F(SettingsDialogs, CancelledBrowseChangesNothing) {
  ASSERT_TRUE(session.codecPath.assign("/codecs/kept.so"));
  CodecQualitySettingsDialog dialog(session, files, boxes);
  click(dialog, "codecBrowseButton");  // no answer: the user cancels
  EXPECT_EQ(path(dialog, "codecPathBox")->text(), "/codecs/kept.so");
  EXPECT_EQ(session.codecPath.str(), "/codecs/kept.so");
}

TEST_F(SettingsDialogs, OkWithTheInternalSourceStoresItsTextAsTheVoicePath) {
  ASSERT_TRUE(session.voiceFilePath.assign("/voices/old.pcm"));
  files.answer("/codecs/c.so");
  CodecQualitySettingsDialog dialog(session, files, boxes);
  click(dialog, "codecBrowseButton");
  box(dialog, "sizeTypeBox")->setCurrentIndex(0);
  click(dialog, "okButton");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(session.sourceType, 0);
  EXPECT_EQ(session.voiceFilePath.str(), "Internal Source");
  EXPECT_EQ(session.codecPath.str(), "/codecs/c.so");
  EXPECT_EQ(session.sizeType, 0);

  // Switching to a voice file afterwards shows that text until a browse.
  CodecQualitySettingsDialog again(session, files, boxes);
  box(again, "sourceTypeBox")->setCurrentIndex(1);
  EXPECT_EQ(path(again, "voicePathBox")->text(), "Internal Source");
}

TEST_F(SettingsDialogs, ComparisonOkStoresEverything) {
  files.answer("/codecs/a.so");
  files.answer("/codecs/b.so");
  CodecComparisonSettingsDialog dialog(session, files, boxes);
  click(dialog, "sourceCodecBrowseButton");
  click(dialog, "testedCodecBrowseButton");
  box(dialog, "sizeTypeBox")->setCurrentIndex(2);
  click(dialog, "okButton");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(session.sourceCodecPath.str(), "/codecs/a.so");
  EXPECT_EQ(session.testedCodecPath.str(), "/codecs/b.so");
  EXPECT_EQ(session.sizeType, 2);
  EXPECT_EQ(session.voiceFilePath.str(), "Internal Source");
}

TEST_F(SettingsDialogs, CompareFilesShowsAndStoresBothPaths) {
  ASSERT_TRUE(session.sourceFilePath.assign("/voices/src.pcm"));
  files.answer("/voices/coded.pcm");
  CompareFilesDialog dialog(session, files, boxes);
  EXPECT_EQ(dialog.windowTitle(), "Choose compared files");
  EXPECT_EQ(path(dialog, "sourceFilePathBox")->text(), "/voices/src.pcm");
  click(dialog, "processedFileBrowseButton");
  click(dialog, "okButton");
  EXPECT_EQ(session.sourceFilePath.str(), "/voices/src.pcm");
  EXPECT_EQ(session.processedFilePath.str(), "/voices/coded.pcm");
}

TEST_F(SettingsDialogs, APathTooLongForTheSessionIsRefusedNotCut) {
  ASSERT_TRUE(session.codecPath.assign("/codecs/kept.so"));
  const QString tooLong = "/" + QString(1100, 'x') + ".so";
  files.answer(tooLong);
  CodecQualitySettingsDialog dialog(session, files, boxes);
  click(dialog, "codecBrowseButton");
  EXPECT_EQ(session.codecPath.str(), "/codecs/kept.so");
  EXPECT_EQ(path(dialog, "codecPathBox")->text(), "/codecs/kept.so");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
  EXPECT_TRUE(boxes.shown[0].text.contains("too long")) << boxes.shown[0].text.toStdString();
}

}  // namespace
}  // namespace orvelle
