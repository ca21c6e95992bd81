#pragma once

#include <string>

#include "engine/progress.h"

namespace orvelle::cli {

// The progress of a job as one line on stderr, redrawn in place when what it
// shows changes; nothing at all when stderr is not a terminal.
class ProgressLine : public engine::ProgressSink {
 public:
  ProgressLine();
  void stepStarted(const std::string& text) override;
  void progressed(std::int32_t position, std::int32_t total) override;
  bool watched() const override { return shown_; }
  // Takes the line away once the job is done.
  void clear();

 private:
  void draw(const std::string& line);

  bool shown_;
  std::string step_;
  std::string drawn_;
};

}  // namespace orvelle::cli
