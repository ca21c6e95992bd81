#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session/operation_request.h"
#include "session/test_session.h"

class QWidget;

namespace orvelle {

// Runs operation `op` of `session` on a worker thread of its own while a
// modal progress window owned by `owner` shows what it does; returns when
// the worker has marked the request finished, with the request's `failed`.
// The caller has already set `owner`, cleared `failed` and, for writing the
// test signal, filled `filePath` and `sizeType`.
std::int32_t runWithProgress(TestSession& session, OperationRequest& request, std::int32_t op, QWidget* owner);

// Runs `work` on a worker thread of its own while a modal progress window
// owned by `owner` shows `text` and offers Stop, which calls `stop` (from
// the user-interface thread); returns what `work` returned. For steps that
// may take as long as plug-in code does, such as loading a library whose
// constructor never returns.
bool runStoppableWithProgress(const std::string& text, const std::function<bool()>& work,
                              const std::function<void()>& stop, QWidget* owner);

}  // namespace orvelle
