#pragma once

// The host reads the frame counter from another thread while a plug-in runs,
// so every update is one whole store of the long.
inline void storeFrameCount(long* pFrameNum, long frames) {
  __atomic_store_n(pFrameNum, frames, __ATOMIC_RELAXED);
}
