#include <QFileDialog>
#include <gtest/gtest.h>

#include "app/qt_user_prompts.h"
#include "app_test_support.h"

namespace orvelle {
namespace {

using test::ScratchDirectory;

// What the file dialog looked like when it came up.
struct Seen {
  QFileDialog::AcceptMode mode;
  QStringList filters;
  QString defaultSuffix;
  QStringList selected;
  bool confirmsOverwrite;
};

class QtFileDialogs : public ::testing::Test {
 protected:
  QtFileDialogs() {
    chooser.setDialogRunner([this](QFileDialog& dialog) {
      seen.push_back({dialog.acceptMode(), dialog.nameFilters(), dialog.defaultSuffix(), dialog.selectedFiles(),
                      !dialog.testOption(QFileDialog::DontConfirmOverwrite)});
      if (answers.empty()) return int(QDialog::Rejected);
      const QString answer = answers.front();
      answers.erase(answers.begin());
      if (answer.isEmpty()) return int(QDialog::Rejected);
      dialog.selectFile(answer);
      return int(QDialog::Accepted);
    });
    chooser.setCreateQuestion([this](QWidget*, const QString& path) {
      questions.push_back(path);
      return agreeToCreate;
    });
  }
  QString path(const char* name) const { return QString::fromStdString(scratch.file(name)); }

  ScratchDirectory scratch;
  QtFileChooser chooser;
  std::vector<QString> answers;
  std::vector<Seen> seen;
  std::vector<QString> questions;
  bool agreeToCreate = true;
};

TEST_F(QtFileDialogs, StartWithTheKindsFilterSuffixAndInitialName) {
  answers = {""};
  EXPECT_TRUE(chooser.chooseFileToSave(nullptr, file_kinds::newVoiceFile()).isEmpty());
  answers = {""};
  EXPECT_TRUE(chooser.chooseFileToOpen(nullptr, file_kinds::codecLibrary()).isEmpty());
  ASSERT_EQ(seen.size(), 2u);

  EXPECT_EQ(seen[0].mode, QFileDialog::AcceptSave);
  EXPECT_EQ(seen[0].filters, QStringList({"voice file (*.pcm)"}));
  EXPECT_EQ(seen[0].defaultSuffix, "pcm");
  ASSERT_EQ(seen[0].selected.size(), 1);
  EXPECT_TRUE(seen[0].selected[0].endsWith("/*.pcm")) << seen[0].selected[0].toStdString();
  EXPECT_FALSE(seen[0].confirmsOverwrite);

  EXPECT_EQ(seen[1].mode, QFileDialog::AcceptOpen);
  EXPECT_EQ(seen[1].filters, QStringList({"dll file (*.so)"}));
  EXPECT_EQ(seen[1].defaultSuffix, "so");
  ASSERT_EQ(seen[1].selected.size(), 1);
  EXPECT_TRUE(seen[1].selected[0].endsWith("/*.so")) << seen[1].selected[0].toStdString();
  EXPECT_TRUE(questions.empty());
}

TEST_F(QtFileDialogs, ANewNameIsTakenOnlyWhenTheUserAgreesToCreateIt) {
  answers = {path("new.log")};
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::logFile()), path("new.log"));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], path("new.log"));
  // Agreeing does not create the file; the caller decides what to do with it.
  EXPECT_FALSE(QFileInfo::exists(path("new.log")));
}

TEST_F(QtFileDialogs, RefusingToCreateShowsTheDialogAgain) {
  agreeToCreate = false;
  answers = {path("new.h"), ""};
  EXPECT_TRUE(chooser.chooseFileToSave(nullptr, file_kinds::headerFile()).isEmpty());
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(questions.size(), 1u);
}

TEST_F(QtFileDialogs, AnExistingFileIsTakenWithoutAQuestion) {
  test::writeWholeFile(scratch.file("old.pcm"), "ab");
  answers = {path("old.pcm")};
  EXPECT_EQ(chooser.chooseFileToSave(nullptr, file_kinds::newVoiceFile()), path("old.pcm"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(QtFileDialogs, BrowsingForASettingTakesANewNameWithoutAQuestion) {
  agreeToCreate = false;
  answers = {path("missing.pcm")};
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile()), path("missing.pcm"));
  EXPECT_TRUE(questions.empty());
}

}  // namespace
}  // namespace orvelle
