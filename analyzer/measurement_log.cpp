#include "analyzer/measurement_log.h"

#include <cstdarg>
#include <vector>

#include "platform/startup_directory.h"

namespace orvelle {

namespace {
// Most messages are one short line; longer ones take the heap.
constexpr std::size_t kLineCapacity = 256;
constexpr char kLineEnd[] = "\r\n";
}  // namespace

std::string MeasurementLog::defaultPath() { return platform::startupDirectory() + kFileName; }

// Line ends are widened here, not by a C library's text mode, so the file is
// the same on every platform.
bool MeasurementLog::open(const std::string& path) {
  if (path.empty()) {
    file_.discard();
    return false;
  }
  return file_.open(path);
}

bool MeasurementLog::close() { return file_.commit(); }

int MeasurementLog::logMessage(const char* format, ...) {
  if (!file_.isOpen() || format == nullptr) return 0;

  char line[kLineCapacity];
  std::va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (length < 0) return 0;

  const char* text = line;
  std::vector<char> longLine;
  if (static_cast<std::size_t>(length) >= sizeof line) {
    longLine.resize(static_cast<std::size_t>(length) + 1);
    va_start(arguments, format);
    std::vsnprintf(longLine.data(), longLine.size(), format, arguments);
    va_end(arguments);
    text = longLine.data();
  }

  const char* pieceStart = text;
  const char* const end = text + length;
  for (const char* p = text; p != end; ++p) {
    if (*p != '\n') continue;
    file_.write(pieceStart, static_cast<std::size_t>(p - pieceStart));
    file_.write(kLineEnd, sizeof kLineEnd - 1);
    pieceStart = p + 1;
  }
  file_.write(pieceStart, static_cast<std::size_t>(end - pieceStart));
  return length;
}

}  // namespace orvelle
