#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>

namespace orvelle::cli {

ProgressLine::ProgressLine() : shown_(isatty(STDERR_FILENO) != 0) {}

void ProgressLine::stepStarted(const std::string& text) { step_ = text; }

void ProgressLine::progressed(std::int32_t position, std::int32_t total) {
  const double percent = total > 0 ? position * 100.0 / total : 0.0;
  char text[32];
  std::snprintf(text, sizeof text, ": %.1f%%", percent);
  draw(step_ + text);
}

void ProgressLine::clear() {
  if (!drawn_.empty()) draw({});
}

void ProgressLine::draw(const std::string& line) {
  if (!shown_ || line == drawn_) return;
  drawn_ = line;
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
}

}  // namespace orvelle::cli
