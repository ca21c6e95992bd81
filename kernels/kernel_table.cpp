#include "kernels/kernel_table.h"

#include <cstdio>
#include <cstdlib>

#include "kernels/kernel_sets.h"

namespace orvelle {

const KernelTable& kernelsFor(KernelPath path) {
  if (!processorRuns(path)) {
    // Running them would stop on an illegal instruction anyway, with less
    // to say; callers ask processorRuns first.
    std::fprintf(stderr, "the %s kernels were asked for on a processor without them\n",
                 std::string(kernelPathName(path)).c_str());
    std::abort();
  }
  static const KernelTable reference{};  // every family runs its plain code
  switch (path) {
    case KernelPath::reference:
      break;
    case KernelPath::baseline:
      return baselineKernels();
#if defined(__x86_64__)
    case KernelPath::avx2:
      return avx2Kernels();
    case KernelPath::avx512:
      return avx512Kernels();
#else
    case KernelPath::avx2:
    case KernelPath::avx512:
      break;  // not built here, and processorRuns says so
#endif
  }
  return reference;
}

const KernelTable& kernels() {
  static const KernelTable& active = kernelsFor(activeKernelPath());
  return active;
}

}  // namespace orvelle
