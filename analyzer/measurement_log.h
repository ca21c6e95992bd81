#pragma once

#include <string>

#include "platform/atomic_output_file.h"

namespace orvelle {

// The plain-text measurement log of one analyzer run. Every "\n" of a message
// reaches the file as CR LF, whatever the platform. The log is written beside
// its place and put there whole when it is closed, so that the file a reader
// finds is at every moment one run's complete log, even while runs overlap or
// one is killed. While no file is open, messages are dropped.
class MeasurementLog {
 public:
  static constexpr const char* kFileName = "TestLog.log";

  MeasurementLog() = default;
  // A log that was never closed is dropped: it may be a run cut short.
  ~MeasurementLog() = default;
  MeasurementLog(const MeasurementLog&) = delete;
  MeasurementLog& operator=(const MeasurementLog&) = delete;

  // The log's place: the start-up directory followed by kFileName.
  static std::string defaultPath();

  // Starts a new log for `path` (dropping one that was not closed). Returns
  // false, leaving no log open, if `path` cannot be written or is empty.
  bool open(const std::string& path);
  // Puts the log in place of the file at `path`. False if no log was open or
  // any of it could not be written; the previous file is then left as it was.
  bool close();
  bool isOpen() const { return file_.isOpen(); }

  // printf-style. Returns the number of characters of the formatted message
  // (before line ends are widened), or 0 when no log is open. Write errors
  // do not stop a measurement; they keep the log from replacing the old one.
  int logMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  platform::AtomicOutputFile file_;
};

}  // namespace orvelle
