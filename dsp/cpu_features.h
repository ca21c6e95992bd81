#pragma once

namespace orvelle {

// Whether the processor running the program has AVX2, so that the vector
// kernels built for it may be called. Asked once; false off x86.
bool processorHasAvx2();

}  // namespace orvelle
