#pragma once

#include "kernels/kernel_table.h"

namespace orvelle {

// The tables, one a translation unit built for its instruction set.
const KernelTable& baselineKernels();
#if defined(__x86_64__)
const KernelTable& avx2Kernels();
const KernelTable& avx512Kernels();
#endif

}  // namespace orvelle
