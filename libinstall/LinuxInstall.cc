#include "libinstall/LinuxInstall.h"

#include <sys/utsname.h>
#include <syslog.h>

#include <filesystem>

#include "libinstall/MacSystemVersion.h"
#include "platform/Bundle.h"
#include "platform/FileManager.h"
#include "platform/Scanner.h"
#include "platform/SearchPaths.h"
#include "platform/Task.h"

namespace install {
namespace {
namespace fs = std::filesystem;

constexpr char kRuntimeFrameworkPath[] = "Frameworks/Kavex ZEL.framework";
constexpr char kAppInstallerPath[] = "Versions/1.0/Kavex ZEL Application Installer.app";
constexpr char kUpdateDisabledMarker[] = "Kavex/ZEL/updateDisabled";
}  // namespace

int platform_installLog(severity_t severity, const char* format, va_list args) {
  int priority;
  switch (severity) {
    case kSeverityError:
      priority = LOG_ERR;
      break;
    case kSeverityWarning:
      priority = LOG_WARNING;
      break;
    case kSeverityNotice:
      priority = LOG_NOTICE;
      break;
    case kSeverityDebug:
      priority = LOG_DEBUG;
      break;
    default:
      return -3;
  }
  vsyslog(priority, format, args);
  return 0;
}

std::optional<std::string> getRuntimeLocation() {
  for (const std::string& folder : platform::libraryDirectories()) {
    const std::string candidate = (fs::path(folder) / kRuntimeFrameworkPath).string();
    if (platform::fileExists(candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<std::string> getAppInstallerLocation() {
  std::optional<std::string> runtime = getRuntimeLocation();
  if (!runtime) return std::nullopt;
  return (fs::path(*runtime) / kAppInstallerPath).string();
}

int runAppInstaller(const std::vector<std::string>& arguments) {
  std::optional<std::string> location = getAppInstallerLocation();
  if (!location) return 3;
  std::optional<platform::Bundle> bundle = platform::Bundle::bundleWithPath(*location);
  if (!bundle) return 5;
  std::optional<std::string> executable = bundle->executablePath();
  if (!executable) return 5;
  return platform::Task::launchAndWait(*executable, arguments);
}

int platform_getFileVersion(const char* bundlePath, RuntimeVersionInfo& info) {
  std::optional<platform::Bundle> bundle =
      bundlePath ? platform::Bundle::bundleWithPath(bundlePath) : std::nullopt;
  if (!bundle) return -3;
  std::optional<std::string> version = bundle->infoValue("CFBundleVersion");
  if (!version || !parseFileVersion(*version, info)) return -3;
  return 0;
}

bool parseFileVersion(std::string_view text, RuntimeVersionInfo& info) {
  platform::Scanner scanner(text);
  RuntimeVersionInfo read{};
  if (!scanner.scanInt(read.major) || !scanner.scanString(".") || !scanner.scanInt(read.minor) ||
      !scanner.scanString(".") || !scanner.scanInt(read.bugfix) || !scanner.scanString(".") ||
      !scanner.scanInt(read.build)) {
    return false;
  }
  info = read;
  return true;
}

int platform_getRuntimeVersion(RuntimeVersionInfo& info) {
  std::optional<std::string> location = getRuntimeLocation();
  if (!location) return -3;
  return platform_getFileVersion(location->c_str(), info);
}

std::int32_t platform_architectureCode(const std::string& machine) {
  if (machine == "x86_64" || machine == "i386" || machine == "i486" || machine == "i586" ||
      machine == "i686") {
    return 1;
  }
  if (machine.starts_with("ppc")) return 2;
  return 3;
}

void platform_getPlatformInfo(PlatformInfo& info) {
  info.os = 3;
  const MacSystemVersion& version = MacSystemVersion::CurrentSystemVersion();
  info.major = version.major;
  info.minor = version.minor;
  info.bugfix = version.bugfix;
  utsname names{};
  info.arch = uname(&names) == 0 ? platform_architectureCode(names.machine) : 3;
}

bool platform_updateDisabledFileExists() {
  return platform::fileExists(
      (fs::path(platform::userApplicationSupportDirectory()) / kUpdateDisabledMarker).string());
}

int platform_getConfigurationValue(const char* /*name*/) { return 0; }

}  // namespace install
