#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kernels/kernel_path.h"

namespace orvelle::test {

// The kernel paths the processor at hand lacks, by name, or "".
inline std::string kernelPathsNotRun() {
  std::string names;
  for (const KernelPath path : kEveryKernelPath) {
    if (!processorRuns(path)) names += (names.empty() ? "" : ", ") + std::string(kernelPathName(path));
  }
  return names;
}

}  // namespace orvelle::test

// Ends a test that ran its checks on every path the processor runs by
// saying, as a skip, which paths it could not run (a failure before it
// stays a failure).
#define ORVELLE_SKIP_KERNEL_PATHS_NOT_RUN()                                                        \
  do {                                                                                             \
    if (const std::string missing = ::orvelle::test::kernelPathsNotRun(); !missing.empty())     \
      GTEST_SKIP() << "not run on " << missing << ": this processor lacks them";                   \
  } while (0)

// Starts a test of pinned results that ctest runs once for each value of
// ORVELLE_KERNELS: skips, saying why, when this processor lacks the path
// asked for, which the program itself would refuse.
#define ORVELLE_SKIP_UNLESS_KERNEL_PATH_RUNS()                                                     \
  do {                                                                                             \
    const ::orvelle::KernelChoice choice = ::orvelle::chooseKernelPath(std::getenv("ORVELLE_KERNELS")); \
    if (!choice.refusal.empty()) GTEST_SKIP() << choice.refusal;                                   \
    ASSERT_EQ(::orvelle::activeKernelPath(), choice.path);                                         \
  } while (0)
