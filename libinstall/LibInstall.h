// The portable half of the install support library.
#pragma once

namespace install {

enum severity_t {
  kSeverityError = 0,
  kSeverityWarning = 1,
  kSeverityNotice = 2,
  kSeverityDebug = 3
};

// When true, every log line is also copied to standard output after "status ".
extern bool _logToStdout;

// Both the log line of a missing download permission and the sentence printed for scripts.
extern const char* const sAllowDownloadFlagMsg;

// Writes one system-log record; 0 when written, -3 for an invalid severity.
int installLog(severity_t severity, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace install
