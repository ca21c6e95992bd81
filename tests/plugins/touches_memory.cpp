// Takes memory in blocks of 16 MiB and touches every page of it, up to
// ORVELLE_TEST_TOUCH_MIB MiB (3 GiB when unset), then codes as a
// pass-through codec. It allocates with malloc and, as careless C code does,
// writes into a block it was refused all the same; with
// ORVELLE_TEST_ALLOCATOR=new it allocates with new and lets bad_alloc out.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "codec_plugin.h"
#include "frame_counter.h"

namespace {

constexpr std::size_t kBlockBytes = std::size_t{16} << 20;

// The sanitizers would report the store into a refused block themselves;
// the test wants the fault.
__attribute__((no_sanitize("address", "undefined"))) char* takeBlock(bool withNew) {
  char* block = withNew ? new char[kBlockBytes] : static_cast<char*>(std::malloc(kBlockBytes));
  // Hidden from the optimiser, which may drop what it can prove unused.
  asm volatile("" : "+r"(block));
  for (std::size_t offset = 0; offset < kBlockBytes; offset += 4096) static_cast<volatile char*>(block)[offset] = 1;
  return block;
}

}  // namespace

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  const char* mebibytes = std::getenv("ORVELLE_TEST_TOUCH_MIB");
  const char* allocator = std::getenv("ORVELLE_TEST_ALLOCATOR");
  const bool withNew = allocator && std::strcmp(allocator, "new") == 0;
  const long blocks = (mebibytes ? std::atol(mebibytes) : 3072) / 16;
  std::vector<char*> taken;
  for (long i = 0; i < blocks; ++i) taken.push_back(takeBlock(withNew));
  std::copy_n(pInData, dDataSize, pOutData);
  storeFrameCount(pFrameNum, dDataSize / 160);
  for (char* block : taken) {
    if (withNew) {
      delete[] block;
    } else {
      std::free(block);
    }
  }
  return 0;
}
