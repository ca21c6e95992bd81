// ORVELLE_KERNELS as orvelle-cli takes it: a name it does not know, or a
// path the processor lacks, is refused before any work (exit 2, the
// variable, the value and the paths available on stderr, nothing written);
// every path the processor runs prints the very same result.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kernels/kernel_path.h"
#include "tests/support/command_line.h"
#include "tests/support/kernel_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class KernelChoiceCli : public ::testing::Test {
 protected:
  test::CommandResult run(const std::string& environment, const std::string& arguments,
                          const std::string& launcher = "") {
    return test::runCommand(environment + " " + launcher + kProgram + " " + arguments, scratch);
  }
  void expectRefused(const test::CommandResult& result, const std::string& message) {
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(scratch.file("signal.pcm")));
  }

  test::ScratchDirectory scratch;
};

std::string availableNames() {
  std::string names;
  for (const KernelPath path : availableKernelPaths()) {
    names += (names.empty() ? "" : ", ") + std::string(kernelPathName(path));
  }
  return names;
}

TEST_F(KernelChoiceCli, AnUnknownNameIsRefused) {
  expectRefused(run("ORVELLE_KERNELS=sse9", "signal --size short signal.pcm"),
                "orvelle-cli: ORVELLE_KERNELS=sse9: no such kernel path (paths available: " + availableNames() + ")");
}

TEST_F(KernelChoiceCli, APathTheProcessorLacksIsRefused) {
  std::string missing;
  for (const KernelPath path : kEveryKernelPath) {
    if (missing.empty() && !processorRuns(path)) missing = kernelPathName(path);
  }
  std::string launcher;
  if (missing.empty()) {
    // This processor runs every path: the program runs on an emulated
    // x86-64 processor without AVX2 instead.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "every path runs here, and a sanitized program cannot run under qemu-x86_64: its shadow "
                    "memory exceeds what the emulator maps";
#elif defined(__x86_64__)
    if (access("/usr/bin/qemu-x86_64", X_OK) != 0) GTEST_SKIP() << "every path runs here and qemu-x86_64 is missing";
    launcher = "/usr/bin/qemu-x86_64 -cpu qemu64 ";
    missing = "avx2";
#else
    GTEST_SKIP() << "every path runs here";
#endif
  }
  expectRefused(run("ORVELLE_KERNELS=" + missing, "signal --size short signal.pcm", launcher),
                "orvelle-cli: ORVELLE_KERNELS=" + missing + ": this processor has no " + missing);
}

TEST_F(KernelChoiceCli, EveryPathTheProcessorRunsPrintsTheSameScores) {
  const std::vector<std::int16_t> source = test::evenSpeechLikeSignal(5);
  std::vector<std::int16_t> processed = source;
  for (std::size_t n = 0; n < processed.size(); ++n) {
    processed[n] = static_cast<std::int16_t>(processed[n] / 3 + (n % 7 == 0 ? 40 : -20));
  }
  test::writeVoiceFile(scratch.file("source.pcm"), source);
  test::writeVoiceFile(scratch.file("processed.pcm"), processed);
  const test::CommandResult unset = run("", "compare-files source.pcm processed.pcm --json");
  ASSERT_EQ(unset.exitCode, 0) << unset.err;
  for (const KernelPath path : availableKernelPaths()) {
    const std::string name(kernelPathName(path));
    const test::CommandResult result = run("ORVELLE_KERNELS=" + name, "compare-files source.pcm processed.pcm --json");
    ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
    EXPECT_EQ(result.out, unset.out) << name;
  }
  ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN();
}

}  // namespace
}  // namespace orvelle
