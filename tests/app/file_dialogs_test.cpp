#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/name_only_icon_provider.h"
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
  QString folder;
};

class QtFileDialogs : public ::testing::Test {
 protected:
  QtFileDialogs() {
    chooser.setDialogRunner([this](QFileDialog& dialog) {
      seen.push_back({dialog.acceptMode(), dialog.nameFilters(), dialog.defaultSuffix(), dialog.selectedFiles(),
                      !dialog.testOption(QFileDialog::DontConfirmOverwrite), dialog.directory().absolutePath()});
      if (inspect) inspect(dialog);
      if (answers.empty()) return int(QDialog::Rejected);
      const QString answer = answers.front();
      answers.erase(answers.begin());
      if (answer.isEmpty()) return int(QDialog::Rejected);
      // Typed into the name box, as a user would.
      auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
      if (nameBox == nullptr) return int(QDialog::Rejected);
      nameBox->setText(answer);
      return int(QDialog::Accepted);
    });
    chooser.setCreateQuestion([this](QWidget*, const QString& path) {
      questions.push_back(path);
      return agreeToCreate;
    });
    chooser.setMissingFolderNotice([this](QWidget*, const QString& folder) { missingFolders.push_back(folder); });
  }
  QString path(const char* name) const { return QString::fromStdString(scratch.file(name)); }

  ScratchDirectory scratch;
  QtFileChooser chooser;
  std::vector<QString> answers;
  std::vector<Seen> seen;
  std::vector<QString> questions;
  std::vector<QString> missingFolders;
  bool agreeToCreate = true;
  // Looks at each dialog while it is up, before it is answered.
  std::function<void(QFileDialog&)> inspect;
};

TEST_F(QtFileDialogs, StartWithTheKindsFilterSuffixAndInitialName) {
  answers = {""};
  EXPECT_TRUE(chooser.chooseFileToSave(nullptr, file_kinds::newVoiceFile(), {}).isEmpty());
  answers = {""};
  EXPECT_TRUE(chooser.chooseFileToOpen(nullptr, file_kinds::codecLibrary(), {}).isEmpty());
  ASSERT_EQ(seen.size(), 2u);

  EXPECT_EQ(seen[0].mode, QFileDialog::AcceptSave);
  EXPECT_EQ(seen[0].filters, QStringList({"voice file (*.pcm *.wav)", "all files (*)"}));
  EXPECT_EQ(seen[0].defaultSuffix, "pcm");
  ASSERT_EQ(seen[0].selected.size(), 1);
  EXPECT_TRUE(seen[0].selected[0].endsWith("/*.pcm")) << seen[0].selected[0].toStdString();
  EXPECT_FALSE(seen[0].confirmsOverwrite);

  EXPECT_EQ(seen[1].mode, QFileDialog::AcceptOpen);
  // Versioned libraries (libfoo.so.1) are offered, and any file at all.
  EXPECT_EQ(seen[1].filters, QStringList({"dll file (*.so *.so.*)", "all files (*)"}));
  EXPECT_EQ(seen[1].defaultSuffix, "so");
  ASSERT_EQ(seen[1].selected.size(), 1);
  EXPECT_TRUE(seen[1].selected[0].endsWith("/*.so")) << seen[1].selected[0].toStdString();
  EXPECT_TRUE(questions.empty());
}

TEST_F(QtFileDialogs, AVoiceFileToReadMayBeAnyFormatTheReaderDecodes) {
  answers = {""};
  EXPECT_TRUE(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {}).isEmpty());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].filters, QStringList({"voice file (*.pcm *.wav *.flac)", "all files (*)"}));
}

TEST_F(QtFileDialogs, ANewNameIsTakenOnlyWhenTheUserAgreesToCreateIt) {
  answers = {path("new.log")};
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::logFile(), {}), path("new.log"));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], path("new.log"));
  // Agreeing does not create the file; the caller decides what to do with it.
  EXPECT_FALSE(QFileInfo::exists(path("new.log")));
}

TEST_F(QtFileDialogs, RefusingToCreateShowsTheDialogAgainButASaveNeverAsks) {
  agreeToCreate = false;
  answers = {path("new.log"), ""};
  EXPECT_TRUE(chooser.chooseFileToOpen(nullptr, file_kinds::logFile(), {}).isEmpty());
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(questions.size(), 1u);

  answers = {path("new.h")};
  EXPECT_EQ(chooser.chooseFileToSave(nullptr, file_kinds::headerFile(), {}), path("new.h"));
  EXPECT_EQ(questions.size(), 1u) << "a new name is what a save dialog is for";
}

TEST_F(QtFileDialogs, AnExistingNameWithoutExtensionIsTakenAsTyped) {
  test::writeWholeFile(scratch.file("rawvoice"), "ab");
  answers = {path("rawvoice"), path("newvoice")};
  inspect = [](QFileDialog& dialog) { dialog.selectNameFilter("all files (*)"); };
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {}), path("rawvoice"));
  // A name that does not exist still gets the kind's extension.
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {}), path("newvoice.pcm"));
}

TEST_F(QtFileDialogs, AnExistingFileIsTakenWithoutAQuestion) {
  test::writeWholeFile(scratch.file("old.pcm"), "ab");
  answers = {path("old.pcm")};
  EXPECT_EQ(chooser.chooseFileToSave(nullptr, file_kinds::newVoiceFile(), {}), path("old.pcm"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(QtFileDialogs, BrowsingForASettingTakesANewNameWithoutAQuestion) {
  agreeToCreate = false;
  answers = {path("missing.pcm")};
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {}), path("missing.pcm"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(QtFileDialogs, ANameInAFolderThatDoesNotExistIsRefusedWhenOpening) {
  answers = {path("no-such-folder/speech.pcm"), path("speech.pcm")};
  EXPECT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {}), path("speech.pcm"));
  EXPECT_EQ(seen.size(), 2u) << "the dialog comes back";
  EXPECT_EQ(missingFolders, std::vector<QString>{path("no-such-folder")});

  // Cancelling after the refusal takes nothing.
  answers = {path("no-such-folder/codec.so"), ""};
  EXPECT_TRUE(chooser.chooseFileToOpen(nullptr, file_kinds::codecLibrary(), {}).isEmpty());
  EXPECT_EQ(missingFolders.size(), 2u);
}

TEST_F(QtFileDialogs, OpenInTheFolderOfThePathInTheBoxElseTheOneUsedLast) {
  ScratchDirectory startup;
  test::StartupDirectoryAt startupAt(startup);
  std::filesystem::create_directory(scratch.file("voices"));
  std::filesystem::create_directory(scratch.file("codecs"));
  answers = {path("voices/a.pcm")};
  ASSERT_EQ(chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {}), path("voices/a.pcm"));
  EXPECT_EQ(chooser.lastFolder(), path("voices"));

  answers = {"", "", ""};
  chooser.chooseFileToOpen(nullptr, file_kinds::codecLibrary(), path("codecs/g711.so"));
  chooser.chooseFileToSave(nullptr, file_kinds::headerFile(), {});
  chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), "Internal Source");
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].folder, path("codecs"));
  EXPECT_EQ(seen[2].folder, QString::fromStdString(startup.path().string()))
      << "saving starts in the start-up folder, not in one opened from";
  EXPECT_EQ(seen[3].folder, path("voices")) << "a text that is no path";
  EXPECT_EQ(chooser.lastFolder(), path("voices")) << "cancelling changes nothing";

  answers = {path("codecs/new.h"), ""};
  chooser.chooseFileToSave(nullptr, file_kinds::headerFile(), {});
  chooser.chooseFileToSave(nullptr, file_kinds::reportFile(), {});
  EXPECT_EQ(seen.back().folder, path("codecs")) << "then in the folder saved to last";
}

TEST(DialogStartFolder, PrefersTheBoxThenTheLastFolderThenTheDialogsDefault) {
  ScratchDirectory scratch;
  const QString here = QString::fromStdString(scratch.path().string());
  const QString last = QDir::tempPath();
  EXPECT_EQ(dialogStartFolder(here + "/speech.pcm", last), here) << "the file itself need not exist";
  EXPECT_EQ(dialogStartFolder(here + "/gone/speech.pcm", last), last);
  EXPECT_EQ(dialogStartFolder("Internal Source", last), last);
  EXPECT_EQ(dialogStartFolder("", last), last);
  EXPECT_EQ(dialogStartFolder("", here + "/gone"), QString());
  EXPECT_EQ(dialogStartFolder("", ""), QString());
}

// The files the dialog's list shows, once its model has read the folder and
// their details; every row's icon and type are asked for, as the view does.
QStringList typesShown(QFileDialog& dialog, const QString& folder) {
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (model == nullptr) return {"no file system model"};
  dialog.setDirectory(folder);
  dialog.show();
  const QModelIndex parent = model->index(folder);
  QElapsedTimer clock;
  clock.start();
  QStringList types;
  while (clock.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    types.clear();
    bool typed = model->rowCount(parent) > 0;
    for (int row = 0; row < model->rowCount(parent); ++row) {
      const QModelIndex index = model->index(row, 0, parent);
      model->data(index, Qt::DecorationRole);
      const QString type = model->type(index);
      typed = typed && !type.isEmpty();
      types.push_back(model->fileName(index) + ": " + type);
    }
    if (typed) break;
  }
  dialog.hide();
  return types;
}

TEST_F(QtFileDialogs, DialogsTellFileTypesByNameWithoutReadingTheFiles) {
  // A file without an extension whose first bytes say PDF: only a dialog
  // that reads it can tell.
  test::writeWholeFile(scratch.file("report"), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n");
  test::writeWholeFile(scratch.file("notes"), "plain words\n");
  QFileIconProvider sniffing;
  ASSERT_NE(sniffing.type(QFileInfo(path("report"))), sniffing.type(QFileInfo(path("notes"))))
      << "Qt no longer reads files to type them; this test needs another probe";

  QStringList shown;
  inspect = [&](QFileDialog& dialog) {
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog)) << "a native dialog lists files its own way";
    const auto* provider = dynamic_cast<const NameOnlyIconProvider*>(dialog.iconProvider());
    EXPECT_NE(provider, nullptr) << "Qt's own provider reads files to type them";
    if (provider) {
      EXPECT_TRUE(provider->options() & QFileIconProvider::DontUseCustomDirectoryIcons);
    }
    // As the user would, to see files without the plug-in pattern.
    dialog.selectNameFilter("all files (*)");
    shown = typesShown(dialog, QString::fromStdString(scratch.path().string()));
  };
  answers = {""};
  chooser.chooseFileToOpen(nullptr, file_kinds::codecLibrary(), {});
  ASSERT_EQ(shown.size(), 2) << shown.join(" | ").toStdString();
  EXPECT_TRUE(shown.contains("report: " + NameOnlyIconProvider().type(QFileInfo(path("report")))));
  EXPECT_EQ(NameOnlyIconProvider().type(QFileInfo(path("report"))),
            NameOnlyIconProvider().type(QFileInfo(path("notes"))));
  EXPECT_FALSE(shown.join(" ").contains("PDF")) << shown.join(" | ").toStdString();
}

TEST_F(QtFileDialogs, DialogsListProcSysAndDevAndComeBack) {
  // Reading some of these files blocks (/proc/kmsg waits for the next kernel
  // message); a dialog that read them would hang here.
  for (const char* folder : {"/proc", "/sys", "/dev"}) {
    if (!QFileInfo(folder).isDir()) continue;
    QStringList shown;
    inspect = [&](QFileDialog& dialog) { shown = typesShown(dialog, folder); };
    answers = {""};
    chooser.chooseFileToOpen(nullptr, file_kinds::voiceFile(), {});
    EXPECT_FALSE(shown.isEmpty()) << folder;
  }
}

}  // namespace
}  // namespace orvelle
