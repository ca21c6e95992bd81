#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/orvelle_application.h"
#include "app_test_support.h"
#include "session/headless_progress_dialog.h"

namespace orvelle {
namespace {

using test::click;
using test::RecordingMessageBoxes;
using test::ScratchDirectory;
using test::ScriptedFileChooser;

// A locale whose decimal separator is a comma; tools/install-deps.sh
// generates it where the system does not ship it.
constexpr const char* kCommaLocale = "de_DE.UTF-8";
const char* const kMissingLocale = " is not generated on this machine; tools/install-deps.sh generates it";

// Sets the whole C locale while it lives and restores the one before.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : saved_(std::setlocale(LC_ALL, nullptr)) {
    applied_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;
  bool applied() const { return applied_; }

 private:
  std::string saved_;
  bool applied_ = false;
};

class NumbersUnderACommaLocaleThreaded : public ::testing::Test {
 protected:
  struct Run {
    std::string log;
    std::string resultBox;
    std::string progressCaption;
  };

  // Compare Files of one voice file against itself, as the user runs it,
  // and a progress caption drawn by the monitor.
  Run scoringRun() {
    ScratchDirectory scratch;
    test::StartupDirectoryAt startup(scratch);
    test::writeVoiceFile(scratch.file("speech.pcm"), 3);
    TestSession session;
    ScriptedFileChooser files;
    RecordingMessageBoxes boxes;
    MainWindow window(session, files, boxes);
    files.answer(QString::fromStdString(scratch.file("speech.pcm")));
    files.answer(QString::fromStdString(scratch.file("speech.pcm")));
    window.setDialogRunner([](QDialog& dialog) {
      click(dialog, "sourceFileBrowseButton");
      click(dialog, "processedFileBrowseButton");
      click(dialog, "okButton");
      return dialog.result();
    });
    window.compareFiles();
    Run run{test::readWholeFile(scratch.file("TestLog.log")), boxes.shown.empty() ? std::string() : boxes.shown[0].text.toStdString(),
            {}};

    HeadlessProgressDialog dialog;
    session.progressTotal.store(8);
    session.progressCurrent.store(1);
    std::thread monitor([&] { session.progressMonitor(&dialog); });
    while (dialog.snapshot().caption == "Progress") QThread::msleep(1);
    run.progressCaption = dialog.snapshot().caption;
    session.progressCurrent.store(8);
    monitor.join();
    return run;
  }
};

TEST_F(NumbersUnderACommaLocaleThreaded, LogResultBoxAndCaptionAreThoseOfTheCLocale) {
  Run plain;
  {
    ScopedLocale c("C");
    ASSERT_TRUE(c.applied());
    plain = scoringRun();
  }
  ASSERT_NE(plain.log.find("Vad Quality = 1.000000"), std::string::npos) << plain.log;
  EXPECT_EQ(plain.resultBox, "File Quality is 100.00%,\nthat corresponds to 5.00 points");
  EXPECT_EQ(plain.progressCaption, "Progressed 12.5000%");

  ScopedLocale comma(kCommaLocale);
  ASSERT_TRUE(comma.applied()) << kCommaLocale << kMissingLocale;
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << kCommaLocale << " writes no decimal comma";
  // What the program's start-up does once Qt has taken on the user's locale.
  formatNumbersWithAPoint();
  const Run underComma = scoringRun();
  EXPECT_EQ(underComma.log, plain.log);
  EXPECT_EQ(underComma.resultBox, plain.resultBox);
  EXPECT_EQ(underComma.progressCaption, plain.progressCaption);
  // Only numbers leave the user's locale: characters (UTF-8 file names) and
  // messages stay.
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), kCommaLocale);
  EXPECT_STREQ(std::setlocale(LC_MESSAGES, nullptr), kCommaLocale);
}

// Meaningful in the suite's run under the comma locale
// (orvelle_app_tests_under_comma_locale); other runs skip it.
TEST(ApplicationStartUp, TakesTheUsersLocaleButFormatsNumbersWithAPoint) {
  const char* user = std::getenv("LC_ALL");
  if (user == nullptr || std::strcmp(user, kCommaLocale) != 0) GTEST_SKIP() << "LC_ALL is not " << kCommaLocale;
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), kCommaLocale) << kCommaLocale << kMissingLocale;
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

}  // namespace
}  // namespace orvelle
