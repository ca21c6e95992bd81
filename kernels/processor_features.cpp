#include "kernels/processor_features.h"

namespace orvelle {

#if defined(__x86_64__)

bool processorHasAvx2() {
  static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
  return supported;
}

bool processorHasFma() {
  static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("fma") != 0);
  return supported;
}

// The run-time library reports AVX-512 only where the system also saves the
// wide registers across task switches.
bool processorHasAvx512() {
  static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("avx512f") != 0);
  return supported;
}

#else

bool processorHasAvx2() { return false; }
bool processorHasFma() { return false; }
bool processorHasAvx512() { return false; }

#endif

}  // namespace orvelle
