#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "session/message_presenter.h"
#include "session/progress_dialog.h"

namespace orvelle {

enum OperationCode : std::int32_t {
  kOperationFinished = -1,
  kWriteTestSignal = 1,
  kPrepareVoiceData = 2,
  kRecodeVoiceData = 3,
  kCalculateVoiceQuality = 4,
  kCalculateFileQuality = 5,
  kPrepareComparisonData = 6,
  kRecodeComparisonData = 7,
};

// One command's request to the worker. The command fills it on the UI thread;
// the worker's store of kOperationFinished into opCode (release) publishes
// `failed` and the session's results to the command's wait (acquire).
struct OperationRequest {
  std::atomic<std::int32_t> opCode{0};
  MessagePresenter* owner = nullptr;
  ProgressDialog* progressDialog = nullptr;
  std::int32_t failed = 0;
  std::string filePath;      // operation 1 only: the voice file to write
  std::int32_t sizeType = 0; // operation 1 only: 0 Short, 1 Normal, 2 Long
};

// The text each operation shows while it runs is set by the operation itself;
// this is the one message the user sees when it fails.
const char* operationErrorMessage(std::int32_t opCode);

}  // namespace orvelle
