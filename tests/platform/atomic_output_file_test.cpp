#include "platform/atomic_output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scratch_directory.h"
#include "tests/support/small_file_system.h"

namespace orvelle {
namespace {

using platform::AtomicOutputFile;
using test::readWholeFile;
using test::ScratchDirectory;

std::size_t entryCount(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

mode_t permissions(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

bool writeWhole(const std::string& path, const std::string& bytes) {
  AtomicOutputFile file;
  return file.open(path) && file.write(bytes.data(), bytes.size()) && file.commit();
}

TEST(AtomicOutputFile, TheTargetChangesOnlyAtTheCommit) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("out.bin");
  test::writeWholeFile(path, "old");
  AtomicOutputFile file;
  ASSERT_TRUE(file.open(path)) << file.failureReason();
  ASSERT_TRUE(file.write("new ", 4));
  ASSERT_TRUE(file.write("bytes", 5));
  EXPECT_EQ(readWholeFile(path), "old");
  EXPECT_EQ(entryCount(scratch.path()), 2u) << "the temporary file lies beside the target";
  ASSERT_TRUE(file.commit()) << file.failureReason();
  EXPECT_EQ(readWholeFile(path), "new bytes");
  EXPECT_EQ(entryCount(scratch.path()), 1u);
  EXPECT_FALSE(file.commit()) << "nothing is open any more";
}

TEST(AtomicOutputFile, AnUncommittedFileLeavesTheTargetAndNoTrace) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("out.bin");
  test::writeWholeFile(path, "old");
  {
    AtomicOutputFile file;
    ASSERT_TRUE(file.open(path));
    file.write("half", 4);
  }
  AtomicOutputFile discarded;
  ASSERT_TRUE(discarded.open(scratch.file("new.bin")));
  discarded.discard();
  EXPECT_EQ(readWholeFile(path), "old");
  EXPECT_EQ(entryCount(scratch.path()), 1u);
}

TEST(AtomicOutputFile, NewFilesGetTheUsualModeAndReplacedOnesKeepTheirs) {
  ScratchDirectory scratch;
  const mode_t saved = ::umask(022);
  ASSERT_TRUE(writeWhole(scratch.file("new.bin"), "x"));
  ::umask(saved);
  EXPECT_EQ(permissions(scratch.file("new.bin")), 0644u);

  const std::string privateFile = scratch.file("private.bin");
  test::writeWholeFile(privateFile, "secret");
  ::chmod(privateFile.c_str(), 0600);
  ASSERT_TRUE(writeWhole(privateFile, "still secret"));
  EXPECT_EQ(permissions(privateFile), 0600u);
}

TEST(AtomicOutputFile, ALinkIsReplacedUnlessItLeadsToSomethingElseThanAFile) {
  ScratchDirectory scratch;
  const std::string victim = scratch.file("victim.txt");
  test::writeWholeFile(victim, "untouched");
  const std::string link = scratch.file("link.bin");
  std::filesystem::create_symlink(victim, link);
  ASSERT_TRUE(writeWhole(link, "new"));
  EXPECT_EQ(readWholeFile(victim), "untouched");
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readWholeFile(link), "new");

  const std::string dangling = scratch.file("dangling.bin");
  std::filesystem::create_symlink(scratch.file("nowhere"), dangling);
  ASSERT_TRUE(writeWhole(dangling, "new"));
  EXPECT_FALSE(std::filesystem::is_symlink(dangling));

  // Replacing a link to a device would, run as root, remove it from /dev.
  const std::string toDevice = scratch.file("to-null");
  std::filesystem::create_symlink("/dev/null", toDevice);
  AtomicOutputFile file;
  EXPECT_FALSE(file.open(toDevice));
  EXPECT_NE(file.failureReason().find("leads to a character device"), std::string::npos) << file.failureReason();
  EXPECT_TRUE(std::filesystem::is_symlink(toDevice));
}

TEST(AtomicOutputFile, FoldersDevicesAndFifosAreRefusedWithWhatTheyAre) {
  ScratchDirectory scratch;
  const std::string fifo = scratch.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    const char* kind;
  } cases[] = {{scratch.path().string(), "is a folder"}, {"/dev/null", "is a character device"}, {fifo, "is a FIFO"}};
  for (const auto& refused : cases) {
    AtomicOutputFile file;
    EXPECT_FALSE(file.open(refused.path)) << refused.path;
    EXPECT_NE(file.failureReason().find(refused.kind), std::string::npos) << file.failureReason();
    EXPECT_NE(file.failureReason().find(refused.path), std::string::npos) << file.failureReason();
  }
  AtomicOutputFile missing;
  EXPECT_FALSE(missing.open(scratch.file("no-such-folder/out.bin")));
  EXPECT_NE(missing.failureReason().find("No such file or directory"), std::string::npos) << missing.failureReason();
  EXPECT_EQ(entryCount(scratch.path()), 1u);
}

TEST(AtomicOutputFile, ConcurrentWritersEachLeaveAWholeFile) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("shared.bin");
  constexpr int kWriters = 8;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&path, w] {
      AtomicOutputFile file;
      if (!file.open(path)) return;
      const std::string line(1000, static_cast<char>('a' + w));
      for (int i = 0; i < 50; ++i) file.write(line.data(), line.size());
      file.commit();
    });
  }
  for (std::thread& writer : writers) writer.join();
  const std::string result = readWholeFile(path);
  ASSERT_EQ(result.size(), 50000u);
  EXPECT_EQ(result, std::string(50000, result[0])) << "bytes of two writers mixed";
  EXPECT_EQ(entryCount(scratch.path()), 1u);
}

TEST(AtomicOutputFile, ADiskThatRunsOutOfSpaceLeavesTheOldFileAndNoTemporary) {
  ScratchDirectory scratch;
  test::SmallFileSystem disk(scratch);
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string path = disk.file("out.bin");
  const std::string old(100000, 'o');
  ASSERT_TRUE(writeWhole(path, old));

  AtomicOutputFile file;
  ASSERT_TRUE(file.open(path)) << file.failureReason();
  const std::string block(64 * 1024, 'n');
  bool everyWriteSucceeded = true;
  for (int i = 0; i < 32 && everyWriteSucceeded; ++i) everyWriteSucceeded = file.write(block.data(), block.size());
  EXPECT_FALSE(everyWriteSucceeded) << "2 MiB fit on a 1 MiB disk";
  EXPECT_NE(file.failureReason().find("No space left on device"), std::string::npos) << file.failureReason();
  EXPECT_FALSE(file.write("x", 1)) << "a write after a failure would leave a hole";
  EXPECT_FALSE(file.commit());
  EXPECT_TRUE(readWholeFile(path) == old);
  EXPECT_EQ(disk.names(), std::vector<std::string>{"out.bin"});
}

// Short pieces (a log's lines), a large block among them and short pieces
// again: the file holds them all, in order.
TEST(AtomicOutputFile, ShortAndLargePiecesArriveWholeAndInOrder) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("log.txt");
  AtomicOutputFile file;
  ASSERT_TRUE(file.open(path)) << file.failureReason();
  std::string expected;
  auto put = [&](const std::string& piece) {
    expected += piece;
    ASSERT_TRUE(file.write(piece.data(), piece.size())) << file.failureReason();
  };
  for (int i = 0; i < 5000; ++i) put("line " + std::to_string(i) + "\r\n");
  put(std::string(200000, 'b'));
  for (int i = 0; i < 3000; ++i) put(std::string(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26)));
  EXPECT_FALSE(std::filesystem::exists(path)) << "nothing appears before the commit";
  ASSERT_TRUE(file.commit()) << file.failureReason();
  EXPECT_TRUE(readWholeFile(path) == expected);
}

// Short pieces that no longer fit the disk fail at the latest at the
// commit, and leave the old file.
TEST(AtomicOutputFile, ShortPiecesThatDoNotFitFailTheCommit) {
  ScratchDirectory scratch;
  test::SmallFileSystem disk(scratch);
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string path = disk.file("log.txt");
  const std::string old = "the previous log";
  ASSERT_TRUE(writeWhole(path, old));
  AtomicOutputFile file;
  ASSERT_TRUE(file.open(path)) << file.failureReason();
  const std::string line(100, 'l');
  for (int i = 0; i < 20000; ++i) {
    if (!file.write(line.data(), line.size())) break;
  }
  EXPECT_FALSE(file.commit());
  EXPECT_NE(file.failureReason().find("No space left on device"), std::string::npos) << file.failureReason();
  EXPECT_TRUE(readWholeFile(path) == old);
  EXPECT_EQ(disk.names(), std::vector<std::string>{"log.txt"});
}

}  // namespace
}  // namespace orvelle
