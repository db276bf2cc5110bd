#include "SyslogCapture.h"

#include <fstream>

namespace testsupport {

std::vector<LogRecord> readLogRecords(const std::string& path) {
  std::vector<LogRecord> records;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    records.push_back({std::stoi(line.substr(0, tab)), line.substr(tab + 1)});
  }
  return records;
}

std::vector<std::string> logTexts(const std::vector<LogRecord>& records) {
  std::vector<std::string> texts;
  for (const auto& r : records) texts.push_back(r.text);
  return texts;
}

}  // namespace testsupport
