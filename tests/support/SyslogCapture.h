#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct LogRecord {
  int priority;
  std::string text;
  bool operator==(const LogRecord&) const = default;
};

// Reads the records the syslog capture wrote to path (none when the file does not exist).
std::vector<LogRecord> readLogRecords(const std::string& path);
std::vector<std::string> logTexts(const std::vector<LogRecord>& records);

}  // namespace testsupport
