#include "kernels/kernel_path.h"

#include <cstdio>
#include <cstdlib>

#include "kernels/processor_features.h"

namespace orvelle {

std::string_view kernelPathName(KernelPath path) {
  switch (path) {
    case KernelPath::reference:
      return "reference";
    case KernelPath::baseline:
      return "baseline";
    case KernelPath::avx2:
      return "avx2";
    case KernelPath::avx512:
      return "avx512";
  }
  return "?";
}

bool processorRuns(KernelPath path) {
  switch (path) {
    case KernelPath::reference:
    case KernelPath::baseline:
      return true;
    case KernelPath::avx2:
      return processorHasAvx2() && processorHasFma();
    case KernelPath::avx512:
      return processorRuns(KernelPath::avx2) && processorHasAvx512();
  }
  return false;
}

std::vector<KernelPath> availableKernelPaths() {
  std::vector<KernelPath> paths;
  for (const KernelPath path : kEveryKernelPath) {
    if (processorRuns(path)) paths.push_back(path);
  }
  return paths;
}

KernelChoice chooseKernelPath(const char* requested) {
  const std::vector<KernelPath> available = availableKernelPaths();
  if (requested == nullptr || *requested == '\0') return {available.back(), {}};
  std::string names;
  for (const KernelPath path : available) names += (names.empty() ? "" : ", ") + std::string(kernelPathName(path));
  const std::string asked = std::string("ORVELLE_KERNELS=") + requested + ": ";
  for (const KernelPath path : kEveryKernelPath) {
    if (kernelPathName(path) != requested) continue;
    if (processorRuns(path)) return {path, {}};
    return {path, asked + "this processor has no " + requested + " (paths available: " + names + ")"};
  }
  return {KernelPath::reference, asked + "no such kernel path (paths available: " + names + ")"};
}

std::string kernelChoiceRefusal() { return chooseKernelPath(std::getenv("ORVELLE_KERNELS")).refusal; }

KernelPath activeKernelPath() {
  static const KernelPath path = [] {
    const KernelChoice choice = chooseKernelPath(std::getenv("ORVELLE_KERNELS"));
    if (!choice.refusal.empty()) {
      // Ended at once, not through exit(): other threads may be running
      // and must not see the program's statics destroyed under them.
      std::fprintf(stderr, "%s\n", choice.refusal.c_str());
      std::fflush(stderr);
      std::_Exit(2);
    }
    return choice.path;
  }();
  return path;
}

}  // namespace orvelle
