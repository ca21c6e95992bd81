#include "session/headless_progress_dialog.h"

namespace orvelle {

template <typename Change>
void HeadlessProgressDialog::update(Change change) {
  std::lock_guard lock(mutex_);
  change(state_);
  if (listener_) listener_(state_);
}

void HeadlessProgressDialog::setOperationText(const std::string& text) {
  update([&](ProgressSnapshot& s) { s.operationText = text; });
}

void HeadlessProgressDialog::setRange(std::int32_t total) {
  update([&](ProgressSnapshot& s) { s.rangeUpper = total; });
}

std::int32_t HeadlessProgressDialog::rangeUpper() const {
  std::lock_guard lock(mutex_);
  return state_.rangeUpper;
}

void HeadlessProgressDialog::setPosition(std::int32_t value) {
  update([&](ProgressSnapshot& s) { s.position = value; });
}

void HeadlessProgressDialog::setCaption(const std::string& text) {
  update([&](ProgressSnapshot& s) { s.caption = text; });
}

void HeadlessProgressDialog::close() {
  update([](ProgressSnapshot& s) { s.closed = true; });
}

int HeadlessProgressDialog::lingerMilliseconds(int requested) const {
  (void)requested;
  return 0;
}

ProgressSnapshot HeadlessProgressDialog::snapshot() const {
  std::lock_guard lock(mutex_);
  return state_;
}

}  // namespace orvelle
