#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_processes.h"
#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

extern char** environ;

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";
using Clock = std::chrono::steady_clock;
// The plug-ins' children sleep for a minute, their hosts for ever: a run
// that waited for either would take longer than this, which leaves room for
// a slow sanitizer build.
constexpr auto kNoHang = std::chrono::seconds(45);

bool waitUntil(const std::function<bool()>& condition) {
  for (const auto giveUp = Clock::now() + kNoHang; Clock::now() < giveUp;) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

std::set<std::string> namesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    names.insert(std::filesystem::relative(entry.path(), folder).string());
  }
  return names;
}

std::set<std::string> ourSharedMemory() {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find("orvelle") != std::string::npos) names.insert(name);
  }
  return names;
}

// The plug-ins run from copies in the scratch folder, so that whatever they
// leave running is found by its command line, even outside our process tree.
class CliHostLifetimeThreaded : public ::testing::Test {
 protected:
  std::string plugin(const std::string& name) {
    const std::string copy = scratch.file(name + ".so");
    std::filesystem::copy_file(test::testPlugin(name), copy, std::filesystem::copy_options::skip_existing);
    return copy;
  }

  // Starts orvelle-cli with its output streams in files of their own folder.
  pid_t start(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {kProgram};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, streams.file("out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, streams.file("err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // The processes the program started and they started, found by the scratch
  // folder in their command lines (the program's own names it too).
  std::vector<pid_t> started(pid_t program) const {
    std::vector<pid_t> found = test::processesMentioning(scratch.path().string());
    found.erase(std::remove(found.begin(), found.end(), program), found.end());
    return found;
  }
  std::size_t sessionLeaders(pid_t program) const {
    const std::vector<pid_t> found = started(program);
    return static_cast<std::size_t>(std::count_if(found.begin(), found.end(), test::leadsItsSession));
  }

  // How the program ended: waitpid's status; one that does not end in time
  // is killed and fails the test.
  int finish(pid_t pid) {
    int status = 0;
    if (!waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
      ADD_FAILURE() << "the program did not end";
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    return status;
  }

  test::ScratchDirectory scratch;
  test::ScratchDirectory streams;
};

TEST_F(CliHostLifetimeThreaded, ASuccessfulRunDoesNotWaitForAChildThePlugInLeft) {
  const auto begun = Clock::now();
  const test::CommandResult result =
      test::runCommand(kProgram + " quality --json --size short --codec " + plugin("forks_and_lingers") + " 2>&1 | cat",
                       scratch);
  EXPECT_LT(Clock::now() - begun, kNoHang) << "the pipe stayed open";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("\"score\":100"), std::string::npos) << result.out;
  EXPECT_FALSE(test::anyProcessMentions(scratch.path().string()));
}

TEST_F(CliHostLifetimeThreaded, ATerminatingSignalEndsEveryHostWithAllItStartedAndLeavesNoTemporaryFile) {
  const std::string endless = plugin("endless_sleep");
  const std::string setsid = plugin("setsid_and_hangs");
  std::filesystem::create_directory(scratch.file("logs"));
  // A command's temporary folder goes where the clean-up is checked.
  std::filesystem::create_directory(scratch.file("tmp"));
  setenv("TMPDIR", scratch.file("tmp").c_str(), 1);
  test::writeVoiceFile(scratch.file("a.pcm"), test::speechLikeSignal(2));
  test::writeVoiceFile(scratch.file("b.pcm"), test::speechLikeSignal(2));
  const std::set<std::string> before = namesIn(scratch.path());
  const std::set<std::string> sharedBefore = ourSharedMemory();
  struct Case {
    int signal;
    std::vector<std::string> arguments;
    std::size_t processes;  // hosts (a warden and its worker each) and the children of their plug-ins
    std::size_t leaders;    // of those, the children that left the host's session
  };
  const std::vector<Case> cases = {
      {SIGINT, {"quality", "--size", "short", "--codec", endless}, 2, 0},
      {SIGTERM,
       {"batch", "--codec", setsid, "--jobs", "2", "--csv", "--log-dir", scratch.file("logs"), scratch.file("a.pcm"),
        scratch.file("b.pcm")},
       6, 2},
      {SIGHUP, {"league", "--size", "short", "--jobs", "2", endless, setsid}, 5, 1},
      // A command's host (a warden and the shell) and a shell it left its
      // session with, each named by the command's folder.
      {SIGINT,
       {"quality", "--size", "short", "--codec", "cmd:setsid sh -c 'sleep 300; :' {in} & sleep 300; cp {in} {out}"},
       3,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    const pid_t program = start(c.arguments);
    const bool ran =
        waitUntil([&] { return started(program).size() >= c.processes && sessionLeaders(program) >= c.leaders; });
    EXPECT_TRUE(ran) << "the plug-ins never ran";
    kill(program, c.signal);
    const int status = finish(program);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal) << test::readWholeFile(streams.file("err"));
    EXPECT_TRUE(started(program).empty()) << "a host or a plug-in's child outlived the program";
    EXPECT_EQ(namesIn(scratch.path()), before) << "a temporary file was left";
    EXPECT_EQ(ourSharedMemory(), sharedBefore);
    const std::string out = test::readWholeFile(streams.file("out"));
    EXPECT_TRUE(out.empty() || out.back() == '\n') << "a cut line: " << out;
  }
  unsetenv("TMPDIR");
}

TEST_F(CliHostLifetimeThreaded, AHostEndsWithAllItStartedWhenTheProgramIsKilled) {
  const pid_t program = start({"quality", "--size", "short", "--codec", plugin("setsid_and_hangs")});
  EXPECT_TRUE(waitUntil([&] { return sessionLeaders(program) == 1; })) << "the plug-in never ran";
  kill(program, SIGKILL);
  finish(program);
  EXPECT_TRUE(waitUntil([&] { return started(program).empty(); })) << "a host outlived the program that started it";
}

}  // namespace
}  // namespace orvelle
