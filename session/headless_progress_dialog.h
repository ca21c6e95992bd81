#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "session/progress_dialog.h"

namespace orvelle {

struct ProgressSnapshot {
  std::string operationText = "Voice Data Preparation";
  std::string caption = "Progress";
  std::int32_t rangeUpper = 100;
  std::int32_t position = 0;
  bool closed = false;
};

// A progress dialog without a window, for the command-line program and the
// tests, benchmarks. It keeps the state a window would show and hands every change to an
// optional listener (called in order, one change at a time, on the thread
// that made it).
class HeadlessProgressDialog : public ProgressDialog {
 public:
  using Listener = std::function<void(const ProgressSnapshot&)>;
  // Whether anything reads the window's state, through the listener or a
  // snapshot. A window with no readers is not kept up to date while the
  // work runs.
  enum class Readers { some, none };

  explicit HeadlessProgressDialog(Listener listener = {}, Readers readers = Readers::some)
      : listener_(std::move(listener)), readers_(readers) {}

  void setOperationText(const std::string& text) override;
  void setRange(std::int32_t total) override;
  std::int32_t rangeUpper() const override;
  void setPosition(std::int32_t value) override;
  void setCaption(const std::string& text) override;
  void close() override;
  // Nobody watches a headless window, so nothing waits to be seen.
  int lingerMilliseconds(int requested) const override;
  bool showsProgress() const override { return readers_ == Readers::some; }

  ProgressSnapshot snapshot() const;

 private:
  template <typename Change>
  void update(Change change);

  mutable std::mutex mutex_;
  ProgressSnapshot state_;
  Listener listener_;
  Readers readers_;
};

}  // namespace orvelle
