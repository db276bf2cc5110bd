// The portable half of the install support library.
#pragma once

#include <cstdint>
#include <string>

namespace install {

struct RuntimeVersionInfo {
  std::int32_t major;
  std::int32_t minor;
  std::int32_t bugfix;
  std::int32_t build;
};

// Operating system: 1 Windows, 2 Mac OS X, 3 Linux, 0 not set. Architecture: 1 x86,
// 2 PowerPC, 3 any other processor, 0 not set.
struct PlatformInfo {
  std::int32_t os;
  std::int32_t major;
  std::int32_t minor;
  std::int32_t bugfix;
  std::int32_t arch;
};

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

// 0 when an installed runtime was found and its version read into info; -3 otherwise, with
// info untouched.
int getRuntimeVersion(RuntimeVersionInfo& info);

// False when an administrator has disabled runtime updates on this machine.
bool canUpdateRuntime();

// The host (or host:port) that serves the runtime installers: $MOORSTEP_DOWNLOAD_HOST when set
// and not empty, else the host the build was configured with.
std::string downloadHost();

// Writes the runtime installer's URL and its signature's URL for this platform, each cut to its
// buffer as snprintf cuts; false, with neither written, when the platform is not known.
bool getBootstrapperDownloadUrls(char* installerUrl, unsigned long installerUrlSize,
                                 char* signatureUrl, unsigned long signatureUrlSize);
// The paths that follow the download host in those URLs ("/zel/...", ending in "/installer" and
// "/installer.p7"); false, with neither written, when the platform is not known.
bool getBootstrapperDownloadPaths(std::string& installerPath, std::string& signaturePath);
bool formatBootstrapperDownloadPaths(const PlatformInfo& platform, std::string& installerPath,
                                     std::string& signaturePath);
// The URLs for a given platform description and host.
bool formatBootstrapperDownloadUrls(const PlatformInfo& platform, const std::string& host,
                                    char* installerUrl, unsigned long installerUrlSize,
                                    char* signatureUrl, unsigned long signatureUrlSize);

}  // namespace install
