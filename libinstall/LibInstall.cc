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

bool getBootstrapperDownloadPaths(std::string& installerPath, std::string& signaturePath) {
  PlatformInfo platform{};
  platform_getPlatformInfo(platform);
  return formatBootstrapperDownloadPaths(platform, installerPath, signaturePath);
}

bool formatBootstrapperDownloadPaths(const PlatformInfo& platform, std::string& installerPath,
                                     std::string& signaturePath) {
  if (platform.os == 0 || platform.arch == 0 || platform.major == 0) return false;
  const char* os = platform.os == 1 ? "windows" : platform.os == 2 ? "macos" : "unknown";
  const char* arch = platform.arch == 1 ? "x86" : platform.arch == 2 ? "ppc" : "unknown";
  const std::string folder = "/zel/3/vdx/" + std::string(os) + std::to_string(platform.major) +
                             "." + std::to_string(platform.minor) + "/" + arch;
  installerPath = folder + "/installer";
  signaturePath = folder + "/installer.p7";
  return true;
}

bool formatBootstrapperDownloadUrls(const PlatformInfo& platform, const std::string& host,
                                    char* installerUrl, unsigned long installerUrlSize,
                                    char* signatureUrl, unsigned long signatureUrlSize) {
  std::string installerPath, signaturePath;
  if (!formatBootstrapperDownloadPaths(platform, installerPath, signaturePath)) return false;
  std::snprintf(installerUrl, installerUrlSize, "http://%s%s", host.c_str(), installerPath.c_str());
  std::snprintf(signatureUrl, signatureUrlSize, "http://%s%s", host.c_str(), signaturePath.c_str());
  return true;
}

}  // namespace install
