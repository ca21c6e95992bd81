#include "app/command_line.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/startup_directory.h"

namespace orvelle {
namespace {

TEST(StartupCommandLine, JoinsProgramPathAndArgumentsWithSpaces) {
  const char* argv[] = {"/opt/orvelle/orvelle", "-x", "two words"};
  EXPECT_EQ(joinCommandLine(3, argv), "/opt/orvelle/orvelle -x two words");
}

TEST(StartupCommandLine, NoLogoIsACaseSensitiveSubstringOfTheWholeLine) {
  EXPECT_TRUE(suppressesSplash("/usr/bin/orvelle -nologo"));
  // Longer words that contain the switch count too.
  EXPECT_TRUE(suppressesSplash("/usr/bin/orvelle -nologo2"));
  // So does the program path itself.
  const char* fromPath[] = {"/home/me/-nologo/orvelle"};
  EXPECT_TRUE(suppressesSplash(joinCommandLine(1, fromPath)));

  EXPECT_FALSE(suppressesSplash("/usr/bin/orvelle -NOLOGO"));
  EXPECT_FALSE(suppressesSplash("/usr/bin/orvelle -no logo"));
  EXPECT_FALSE(suppressesSplash("/usr/bin/orvelle"));
}

TEST(StartupCommandLine, SwitchSplitAcrossArgumentsDoesNotMatch) {
  const char* argv[] = {"orvelle", "-no", "logo"};
  EXPECT_FALSE(suppressesSplash(joinCommandLine(3, argv)));
}

// Changes the current directory for one test and goes back afterwards.
class StartupDirectory : public ::testing::Test {
 protected:
  StartupDirectory() : saved_(std::filesystem::current_path()) {}
  ~StartupDirectory() override { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST_F(StartupDirectory, IsTheCurrentDirectoryWithOneSeparatorAppended) {
  std::filesystem::current_path("/tmp");
  EXPECT_EQ(platform::currentDirectoryWithSeparator(), std::filesystem::current_path().string() + "/");
}

TEST_F(StartupDirectory, InTheRootEndsInTwoSeparators) {
  std::filesystem::current_path("/");
  EXPECT_EQ(platform::currentDirectoryWithSeparator(), "//");
}

}  // namespace
}  // namespace orvelle
