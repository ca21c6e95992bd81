#include "engine/operation_steps.h"

#include "session/headless_progress_dialog.h"

namespace orvelle::engine {

namespace {

// Lets a token stop the session's plug-in calls while one step runs.
class Attachment {
 public:
  Attachment(const CancelToken& token, PluginCallControl& control) : control_(control) { token.attach(control); }
  ~Attachment() { CancelToken::detach(control_); }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;

 private:
  PluginCallControl& control_;
};

// Hands what a window would show to the sink, a new step when the text
// changes.
class SinkListener {
 public:
  explicit SinkListener(ProgressSink& sink) : sink_(sink) {}
  void operator()(const ProgressSnapshot& state) {
    if (state.closed) return;
    if (state.operationText != step_) {
      step_ = state.operationText;
      sink_.stepStarted(step_);
    }
    sink_.progressed(state.position, state.rangeUpper);
  }

 private:
  ProgressSink& sink_;
  std::string step_;
};

}  // namespace

bool DirectSteps::load(TestSession& session, const std::function<bool()>& load, const char*) {
  if (cancel_.cancelled()) return false;
  Attachment attached(cancel_, session.pluginCalls);
  return load();
}

bool DirectSteps::run(TestSession& session, std::int32_t opCode, const std::string& filePath, std::int32_t sizeType) {
  if (cancel_.cancelled()) return false;
  // Without a reader nothing needs the window's state, and no monitor
  // thread need start for it.
  const bool watched = progress_.watched();
  HeadlessProgressDialog dialog(watched ? HeadlessProgressDialog::Listener(SinkListener(progress_))
                                        : HeadlessProgressDialog::Listener(),
                                watched ? HeadlessProgressDialog::Readers::some : HeadlessProgressDialog::Readers::none);
  OperationRequest request;
  request.progressDialog = &dialog;
  request.filePath = filePath;
  request.sizeType = sizeType;
  request.opCode.store(opCode);
  Attachment attached(cancel_, session.pluginCalls);
  session.runOperation(&request);
  return request.failed == 0;
}

}  // namespace orvelle::engine
