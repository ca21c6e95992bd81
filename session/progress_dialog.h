#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvelle {

// The progress window of one operation as the operations see it. Operations
// and the progress monitor call it from worker threads; an implementation
// takes care of getting the updates to wherever they are shown.
class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;

  virtual void setOperationText(const std::string& text) = 0;
  // Bar range 0..total.
  virtual void setRange(std::int32_t total) = 0;
  virtual std::int32_t rangeUpper() const = 0;
  virtual void setPosition(std::int32_t value) = 0;
  virtual void setCaption(const std::string& text) = 0;
  // Ends the window; returns once the window has handled the request.
  virtual void close() = 0;
  // While the operation waits inside plug-in code the window may offer the
  // user a way out: `stop` (callable from any thread) ends the plug-in and
  // fails the operation. Withdrawn when the call returns. A window without a
  // user ignores both.
  virtual void offerStop(std::function<void()> stop) { (void)stop; }
  virtual void withdrawStop() {}

  // How long a finished operation keeps its full bar on screen before the
  // window closes, given what the operation asks for. A person watching
  // needs the moment to see it end; a window nobody watches says 0, and the
  // operation returns as soon as its work is done.
  virtual int lingerMilliseconds(int requested) const { return requested; }
  // Whether anything will ever look at the bar. A window nobody reads needs
  // no progress monitor: the operation then runs without one.
  virtual bool showsProgress() const { return true; }
  // How often the progress monitor redraws the bar while the work runs.
  virtual int refreshPeriodMilliseconds() const { return kRefreshPeriodMs; }

  static constexpr int kRefreshPeriodMs = 100;
};

}  // namespace orvelle
