// What ORVELLE_KERNELS chooses: the best path without it, the named path
// when the processor runs it, and a refusal naming the variable, the value
// and the paths available otherwise; and each path's table has the
// families that path is meant to carry.
#include "kernels/kernel_path.h"

#include <gtest/gtest.h>

#include "kernels/kernel_table.h"

namespace orvelle {
namespace {

TEST(KernelPath, WithoutTheVariableTheBestPathTheProcessorRunsIsChosen) {
  const std::vector<KernelPath> available = availableKernelPaths();
  ASSERT_GE(available.size(), 2u);
  EXPECT_EQ(available[0], KernelPath::reference);
  EXPECT_EQ(available[1], KernelPath::baseline);
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    const KernelChoice choice = chooseKernelPath(unset);
    EXPECT_TRUE(choice.refusal.empty()) << choice.refusal;
    EXPECT_EQ(choice.path, available.back());
  }
}

TEST(KernelPath, EveryPathIsChosenByNameOrRefusedWithThePathsAvailable) {
  std::string names;
  for (const KernelPath path : availableKernelPaths()) {
    names += (names.empty() ? "" : ", ") + std::string(kernelPathName(path));
  }
  for (const KernelPath path : kEveryKernelPath) {
    const std::string name(kernelPathName(path));
    const KernelChoice choice = chooseKernelPath(name.c_str());
    EXPECT_EQ(choice.path, path);
    if (processorRuns(path)) {
      EXPECT_EQ(choice.refusal, "");
    } else {
      EXPECT_EQ(choice.refusal, "ORVELLE_KERNELS=" + name + ": this processor has no " + name +
                                    " (paths available: " + names + ")");
    }
  }
  for (const char* unknown : {"AVX2", "sse4", "fastest", " baseline"}) {
    EXPECT_EQ(chooseKernelPath(unknown).refusal,
              std::string("ORVELLE_KERNELS=") + unknown + ": no such kernel path (paths available: " + names + ")");
  }
}

TEST(KernelPath, TheReferencePathRunsThePlainCodeAndTheOthersTheirKernels) {
  const KernelTable& reference = kernelsFor(KernelPath::reference);
  EXPECT_EQ(reference.lagSums, nullptr);
  EXPECT_EQ(reference.laneSpectra, nullptr);
  EXPECT_EQ(reference.meanStep, nullptr);
  EXPECT_EQ(reference.convolve, nullptr);
  for (const KernelPath path : availableKernelPaths()) {
    const KernelTable& table = kernelsFor(path);
    EXPECT_EQ(table.path, path);
    if (path == KernelPath::reference) continue;
    EXPECT_NE(table.lagSums, nullptr) << kernelPathName(path);
    EXPECT_NE(table.levinsonLanes, nullptr) << kernelPathName(path);
    EXPECT_NE(table.laneSpectra, nullptr) << kernelPathName(path);
    EXPECT_NE(table.meanStep, nullptr) << kernelPathName(path);
    EXPECT_NE(table.convolve, nullptr) << kernelPathName(path);
  }
  if (processorRuns(KernelPath::avx512)) {
    EXPECT_NE(kernelsFor(KernelPath::avx512).laneSpectra, kernelsFor(KernelPath::avx2).laneSpectra);
  }
}

}  // namespace
}  // namespace orvelle
