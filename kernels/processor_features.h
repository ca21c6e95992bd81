#pragma once

namespace orvelle {

// Whether the processor running the program has AVX2, so that the vector
// kernels built for it may be called. Asked once; false off x86-64.
bool processorHasAvx2();

// Whether it has fused multiply-adds (FMA3). Asked once; false off x86-64.
bool processorHasFma();

// Whether it has AVX-512 Foundation (eight doubles a register), with the
// system's support for its registers. Asked once; false off x86-64.
bool processorHasAvx512();

}  // namespace orvelle
