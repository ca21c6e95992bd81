#include "dsp/cpu_features.h"

namespace orvelle {

bool processorHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool supported = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return supported;
#else
  return false;
#endif
}

}  // namespace orvelle
