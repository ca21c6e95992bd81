#include "app/window_steps.h"

namespace orvelle {

bool WindowSteps::load(TestSession& session, const std::function<bool()>& load, const char* failureMessage) {
  // A stop asked for during an earlier step is not meant for this one.
  session.pluginCalls.clearStop();
  PluginCallControl& calls = session.pluginCalls;
  const bool loaded = runLoad_(load, [&calls] { calls.requestStop(); });
  stopped_ = !loaded && calls.stopRequested();
  if (!loaded) showLoadFailure_(failureMessage);
  return loaded;
}

bool WindowSteps::confirmInputs(TestSession&) { return !confirmInputs_ || confirmInputs_(); }

bool WindowSteps::run(TestSession&, std::int32_t opCode, const std::string& filePath, std::int32_t sizeType) {
  OperationRequest request;
  request.owner = &presenter_;
  request.failed = 0;
  request.filePath = filePath;
  request.sizeType = sizeType;
  return runOperation_(request, opCode) == 0;
}

}  // namespace orvelle
