#include "platform/file_length.h"

#include <sys/types.h>

namespace orvelle::platform {

std::int64_t fileLength(std::FILE* file) {
  // 64-bit offsets: a voice file past 2 GiB must measure correctly so that the
  // caller can refuse it, not see a wrapped, plausible-looking length.
  const off_t position = ftello(file);
  if (position < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file);
  if (fseeko(file, position, SEEK_SET) != 0) return -1;
  return end;
}

}  // namespace orvelle::platform
