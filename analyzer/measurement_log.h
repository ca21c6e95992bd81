#pragma once

#include <cstdio>
#include <string>

namespace orvelle {

// The plain-text measurement log of one analyzer run. Every "\n" of a message
// reaches the file as CR LF, whatever the platform, and the file is flushed
// after every message so that a reader sees each line as soon as it is
// written. While no file is open, messages are dropped.
class MeasurementLog {
 public:
  static constexpr const char* kFileName = "TestLog.log";

  MeasurementLog() = default;
  ~MeasurementLog() { close(); }
  MeasurementLog(const MeasurementLog&) = delete;
  MeasurementLog& operator=(const MeasurementLog&) = delete;

  // The log's place: the start-up directory followed by kFileName.
  static std::string defaultPath();

  // Creates or truncates the file at `path` (closing any open one first).
  // Returns false, leaving no log open, if it cannot be opened.
  bool open(const std::string& path);
  void close();
  bool isOpen() const { return file_ != nullptr; }

  // printf-style. Returns the number of characters of the formatted message
  // (before line ends are widened), or 0 when no log is open. Write errors
  // are ignored: the log must never stop a measurement.
  int logMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace orvelle
