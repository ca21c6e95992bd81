#include "kernels/kernel_table.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "kernels/kernel_sets.h"

namespace orvelle {

namespace {

// The table of every path the processor runs, null for the others; asked
// on every kernel call, so made once.
using Tables = std::array<const KernelTable*, std::size(kEveryKernelPath)>;

Tables runnableTables() {
  static const KernelTable reference{};  // every family runs its plain code
  Tables tables{};
  for (const KernelPath path : kEveryKernelPath) {
    if (!processorRuns(path)) continue;
    const KernelTable* table = &reference;
    switch (path) {
      case KernelPath::reference:
        break;
      case KernelPath::baseline:
        table = &baselineKernels();
        break;
#if defined(__x86_64__)
      case KernelPath::avx2:
        table = &avx2Kernels();
        break;
      case KernelPath::avx512:
        table = &avx512Kernels();
        break;
#else
      case KernelPath::avx2:
      case KernelPath::avx512:
        continue;  // not built here, and processorRuns says so
#endif
    }
    tables[static_cast<std::size_t>(path)] = table;
  }
  return tables;
}

}  // namespace

const KernelTable& kernelsFor(KernelPath path) {
  static const Tables tables = runnableTables();
  const KernelTable* table = tables[static_cast<std::size_t>(path)];
  if (table == nullptr) {
    // Running them would stop on an illegal instruction anyway, with less
    // to say; callers ask processorRuns first.
    std::fprintf(stderr, "the %s kernels were asked for on a processor without them\n",
                 std::string(kernelPathName(path)).c_str());
    std::abort();
  }
  return *table;
}

const KernelTable& kernels() {
  static const KernelTable& active = kernelsFor(activeKernelPath());
  return active;
}

}  // namespace orvelle
