#include "libinstall/LibInstall.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "libinstall/LinuxInstall.h"

namespace install {

bool _logToStdout = false;

const char* const sAllowDownloadFlagMsg =
    "Unable to download runtime installer without -allowDownload";

int installLog(severity_t severity, const char* format, ...) {
  va_list args;
  if (_logToStdout) {
    va_start(args, format);
    std::fputs("status ", stdout);
    std::vfprintf(stdout, format, args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    va_end(args);
  }
  va_start(args, format);
  int result = platform_installLog(severity, format, args);
  va_end(args);
  return result;
}

int getRuntimeVersion(RuntimeVersionInfo& info) { return platform_getRuntimeVersion(info); }

bool canUpdateRuntime() {
  if (platform_updateDisabledFileExists()) return false;
  if (platform_getConfigurationValue("UpdateDisabled") == 1) return false;
  return true;
}

std::string downloadHost() {
  const char* host = std::getenv("MOORSTEP_DOWNLOAD_HOST");
  return host && *host ? host : MOORSTEP_DEFAULT_DOWNLOAD_HOST;
}

bool getBootstrapperDownloadUrls(char* installerUrl, unsigned long installerUrlSize,
                                 char* signatureUrl, unsigned long signatureUrlSize) {
  PlatformInfo platform{};
  platform_getPlatformInfo(platform);
  return formatBootstrapperDownloadUrls(platform, downloadHost(), installerUrl, installerUrlSize,
                                        signatureUrl, signatureUrlSize);
}

bool formatBootstrapperDownloadUrls(const PlatformInfo& platform, const std::string& host,
                                    char* installerUrl, unsigned long installerUrlSize,
                                    char* signatureUrl, unsigned long signatureUrlSize) {
  if (platform.os == 0 || platform.arch == 0 || platform.major == 0) return false;
  const char* os = platform.os == 1 ? "windows" : platform.os == 2 ? "macos" : "unknown";
  const char* arch = platform.arch == 1 ? "x86" : platform.arch == 2 ? "ppc" : "unknown";
  constexpr char kTemplate[] = "http://%s/zel/3/vdx/%s%d.%d/%s/%s";
  std::snprintf(installerUrl, installerUrlSize, kTemplate, host.c_str(), os, platform.major,
                platform.minor, arch, "installer");
  std::snprintf(signatureUrl, signatureUrlSize, kTemplate, host.c_str(), os, platform.major,
                platform.minor, arch, "installer.p7");
  return true;
}

}  // namespace install
