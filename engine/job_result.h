#pragma once

#include <string>
#include <utility>
#include <variant>

#include "session/failure_kind.h"

namespace orvelle::engine {

// Why a job gave no result: the kind, for a caller that reacts to the cause;
// the message a person is shown first ("Can't calculate Quality!"); and the
// detail, which names the file or the plug-in and says what was found.
struct JobError {
  FailureKind kind = FailureKind::failed;
  std::string message;
  std::string detail;

  // The message and its detail on one line.
  std::string text() const {
    if (message.empty()) return detail;
    return detail.empty() ? message : message + " " + detail;
  }
};

// A job's result or why there is none.
template <typename T>
class Result {
 public:
  Result(T value) : outcome_(std::move(value)) {}
  Result(JobError error) : outcome_(std::move(error)) {}

  bool ok() const { return std::holds_alternative<T>(outcome_); }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return std::get<T>(outcome_); }
  T& value() & { return std::get<T>(outcome_); }
  T&& value() && { return std::get<T>(std::move(outcome_)); }
  const JobError& error() const { return std::get<JobError>(outcome_); }

 private:
  std::variant<T, JobError> outcome_;
};

// The result of a job that makes nothing but a file or a change.
struct Done {};

}  // namespace orvelle::engine
