#include "app/log_viewer_dialog.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app_test_support.h"
#include "tests/support/small_file_system.h"

namespace orvelle {
namespace {

using test::child;
using test::click;
using test::readWholeFile;
using test::RecordingMessageBoxes;
using test::ScratchDirectory;
using test::ScriptedFileChooser;
using test::writeWholeFile;

class LogViewer : public ::testing::Test {
 protected:
  QString file(const char* name) const { return QString::fromStdString(scratch.file(name)); }
  QString currentLog() const { return file("TestLog.log"); }

  ScratchDirectory scratch;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
};

TEST_F(LogViewer, MissingCurrentLogReportsWhileOpeningAndShowsNothing) {
  LogViewerDialog viewer(currentLog(), files, boxes);
  EXPECT_EQ(viewer.windowTitle(), "LOGs Editor");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "LOG-file can't be open!");
  EXPECT_EQ(boxes.shown[0].caption, "Error!");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
  EXPECT_TRUE(boxes.shown[0].details.contains(currentLog()));
  EXPECT_TRUE(viewer.text().isEmpty());
  EXPECT_EQ(viewer.pathLabel(), "LOG File Name");
}

TEST_F(LogViewer, LoadsTheCurrentLogOnOpening) {
  writeWholeFile(currentLog().toStdString(), "score 97.5\r\nbands 5\r\n");
  LogViewerDialog viewer(currentLog(), files, boxes);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(viewer.text(), "score 97.5\nbands 5\n");
  EXPECT_EQ(viewer.pathLabel(), currentLog());
}

TEST_F(LogViewer, EmptyFileLoadsAsEmptyTextWithItsPath) {
  writeWholeFile(currentLog().toStdString(), "");
  LogViewerDialog viewer(currentLog(), files, boxes);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(viewer.text().isEmpty());
  EXPECT_EQ(viewer.pathLabel(), currentLog());
}

TEST_F(LogViewer, TextEndsAtTheFirstZeroByte) {
  writeWholeFile(currentLog().toStdString(), std::string("before\0after", 12));
  LogViewerDialog viewer(currentLog(), files, boxes);
  EXPECT_EQ(viewer.text(), "before");
}

TEST_F(LogViewer, FailedLoadFromEmptiesTheTextButKeepsTheLabel) {
  writeWholeFile(currentLog().toStdString(), "kept\r\n");
  LogViewerDialog viewer(currentLog(), files, boxes);
  files.answer(file("does-not-exist.log"));
  click(viewer, "loadFromButton");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "LOG-file can't be open!");
  EXPECT_TRUE(viewer.text().isEmpty());
  EXPECT_EQ(viewer.pathLabel(), currentLog());
  EXPECT_EQ(files.requests.back().filter, "log file (*.log)");
  EXPECT_FALSE(files.requests.back().save);
  EXPECT_EQ(files.requests.back().defaultSuffix, "log");
  EXPECT_EQ(files.requests.back().initialName, "*.log");
  EXPECT_EQ(files.requests.back().current, currentLog()) << "starts in the folder of the log shown";
  // Both log dialogs ask before a new name is taken.
  EXPECT_TRUE(files.requests.back().askToCreate);
}

TEST_F(LogViewer, CancelledLoadFromChangesNothing) {
  writeWholeFile(currentLog().toStdString(), "kept");
  LogViewerDialog viewer(currentLog(), files, boxes);
  click(viewer, "loadFromButton");
  EXPECT_EQ(viewer.text(), "kept");
  EXPECT_TRUE(boxes.shown.empty());
}

// Appends `line` at the end of the viewer's text, as typed.
void typeAtTheEnd(LogViewerDialog& viewer, const QString& line) {
  auto* text = child<QPlainTextEdit>(viewer, "logText");
  QTextCursor cursor = text->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(line);
  text->setTextCursor(cursor);
}

TEST_F(LogViewer, AUtf8LogRoundTripsThroughViewEditAndSaveAs) {
  // A path with umlauts, a euro sign, a no-break space, mixed line ends.
  const std::string bytes = "Qualit\xc3\xa4t 97,5\xc2\xa0%\r\n/home/j\xc3\xb6rg/\xe2\x82\xac.pcm\n\r\nlast";
  writeWholeFile(currentLog().toStdString(), bytes);
  LogViewerDialog viewer(currentLog(), files, boxes);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(viewer.text(), QString::fromUtf8("Qualit\xc3\xa4t 97,5\xc2\xa0%\n/home/j\xc3\xb6rg/\xe2\x82\xac.pcm\n\nlast"));
  files.answer(file("copy.log"));
  click(viewer, "saveAsButton");
  EXPECT_EQ(readWholeFile(scratch.file("copy.log")), bytes);

  typeAtTheEnd(viewer, QString::fromUtf8(" \xc3\xbc\xe2\x82\xac"));
  files.answer(file("edited.log"));
  click(viewer, "saveAsButton");
  // Edited, the text takes the file's line ends, "\r\n", throughout.
  EXPECT_EQ(readWholeFile(scratch.file("edited.log")),
            "Qualit\xc3\xa4t 97,5\xc2\xa0%\r\n/home/j\xc3\xb6rg/\xe2\x82\xac.pcm\r\n\r\nlast \xc3\xbc\xe2\x82\xac");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LogViewer, BytesThatAreNotUtf8ShowAsReplacementsWithANoticeAndAreKeptWhereNotEdited) {
  const std::string bytes = "line one\r\n\xe9t\xe9\r\nr\xe9sum\xe9\r\n\xe9t\xe9";
  writeWholeFile(currentLog().toStdString(), bytes);
  LogViewerDialog viewer(currentLog(), files, boxes);
  EXPECT_EQ(viewer.text(), QString::fromUtf8("line one\n\xef\xbf\xbdt\xef\xbf\xbd\nr\xef\xbf\xbdsum\xef\xbf\xbd\n"
                                             "\xef\xbf\xbdt\xef\xbf\xbd"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(boxes.shown[0].text.contains("not UTF-8")) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].details, currentLog());

  files.answer(file("copy.log"));
  click(viewer, "saveAsButton");
  EXPECT_EQ(readWholeFile(scratch.file("copy.log")), bytes);

  // The last line edited; the other lines with such bytes keep theirs.
  typeAtTheEnd(viewer, "!");
  files.answer(file("edited.log"));
  click(viewer, "saveAsButton");
  EXPECT_EQ(readWholeFile(scratch.file("edited.log")),
            "line one\r\n\xe9t\xe9\r\nr\xe9sum\xe9\r\n\xef\xbf\xbdt\xef\xbf\xbd!");
  EXPECT_EQ(viewer.pathLabel(), currentLog());
}

TEST_F(LogViewer, EditedTextIsSavedWithTheFilesLineEndsAndLoadsBackTheSame) {
  writeWholeFile(currentLog().toStdString(), "score 80\r\nbands 5\r\n");
  LogViewerDialog viewer(currentLog(), files, boxes);
  auto* text = child<QPlainTextEdit>(viewer, "logText");
  QTextCursor cursor = text->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText("note: checked\n");
  text->setTextCursor(cursor);
  const QString edited = viewer.text();
  EXPECT_EQ(edited, "score 80\nbands 5\nnote: checked\n");

  files.answer(file("edited.log"));
  click(viewer, "saveAsButton");
  EXPECT_EQ(readWholeFile(scratch.file("edited.log")), "score 80\r\nbands 5\r\nnote: checked\r\n");

  files.answer(file("edited.log"));
  click(viewer, "loadFromButton");
  EXPECT_EQ(viewer.text(), edited);
  EXPECT_EQ(viewer.pathLabel(), file("edited.log"));
}

TEST_F(LogViewer, SaveToAnUnwritablePlaceReportsAndKeepsTheText) {
  writeWholeFile(currentLog().toStdString(), "keep me");
  LogViewerDialog viewer(currentLog(), files, boxes);
  files.answer(file("no-such-folder/out.log"));
  click(viewer, "saveAsButton");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "LOG-file can't be open!");
  EXPECT_EQ(boxes.shown[0].caption, "Error!");
  EXPECT_EQ(viewer.text(), "keep me");
}

TEST_F(LogViewer, SaveOnAFullDiskKeepsTheOldFileAndLeavesNothingBehind) {
  test::SmallFileSystem disk(scratch);
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string saved = disk.file("saved.log");
  writeWholeFile(saved, "an earlier save\r\n");
  disk.fill();
  writeWholeFile(currentLog().toStdString(), std::string(20000, 'x'));
  LogViewerDialog viewer(currentLog(), files, boxes);
  files.answer(QString::fromStdString(saved));
  click(viewer, "saveAsButton");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "LOG-file can't be open!");
  // The reason follows the user's language, as the C library words it.
  EXPECT_TRUE(boxes.shown[0].details.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
      << boxes.shown[0].details.toStdString();
  EXPECT_EQ(readWholeFile(saved), "an earlier save\r\n");
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"filler", "saved.log"}));
}

TEST_F(LogViewer, AFifoOrDeviceIsRefusedWithoutBlocking) {
  // Loading a FIFO without a writer used to block the user-interface thread;
  // the alarm turns such a hang into a failure.
  const std::string fifo = scratch.file("pipe.log");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ::alarm(10);
  LogViewerDialog viewer(QString::fromStdString(fifo), files, boxes);
  files.answer("/dev/zero");
  click(viewer, "loadFromButton");
  ::alarm(0);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_TRUE(boxes.shown[0].details.endsWith("it is a FIFO")) << boxes.shown[0].details.toStdString();
  EXPECT_TRUE(boxes.shown[1].details.endsWith("it is a character device")) << boxes.shown[1].details.toStdString();
  EXPECT_EQ(viewer.pathLabel(), "LOG File Name");
}

TEST_F(LogViewer, CancelledSaveWritesNothing) {
  writeWholeFile(currentLog().toStdString(), "x");
  LogViewerDialog viewer(currentLog(), files, boxes);
  click(viewer, "saveAsButton");
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(files.requests.size(), 1u);
  EXPECT_TRUE(files.requests[0].save);
  EXPECT_EQ(files.requests[0].filter, "log file (*.log)");
  EXPECT_EQ(files.requests[0].defaultSuffix, "log");
  EXPECT_EQ(files.requests[0].initialName, "*.log");
  EXPECT_TRUE(files.requests[0].askToCreate);
}

TEST_F(LogViewer, LoadCurrentReadsTheLogAgain) {
  writeWholeFile(currentLog().toStdString(), "first");
  LogViewerDialog viewer(currentLog(), files, boxes);
  writeWholeFile(currentLog().toStdString(), "second run");
  click(viewer, "loadCurrentButton");
  EXPECT_EQ(viewer.text(), "second run");
}

}  // namespace
}  // namespace orvelle
