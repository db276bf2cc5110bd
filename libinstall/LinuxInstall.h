// The platform_ layer of the install support library on Linux, with the functions that find
// and start the installed runtime's programs.
#pragma once

#include <cstdarg>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "libinstall/LibInstall.h"

namespace install {

// One vsyslog record at the priority of severity; -3 and nothing written when it is invalid.
int platform_installLog(severity_t severity, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

// The runtime framework in the first data folder of the local, network and system domains that
// holds one.
std::optional<std::string> getRuntimeLocation();
// Where the Application Installer belongs inside the runtime framework (not tested for).
std::optional<std::string> getAppInstallerLocation();
// Runs the Application Installer with arguments and returns its exit status; 3 when no runtime
// is installed, 5 when its Application Installer cannot be opened or has no executable.
int runAppInstaller(const std::vector<std::string>& arguments);

// The four-part "CFBundleVersion" of the bundle at bundlePath: 0, or -3 with info untouched.
int platform_getFileVersion(const char* bundlePath, RuntimeVersionInfo& info);
// A four-part version text "major.minor.bugfix.build" read by the scanner's rules: false, with
// info untouched, when it is not one.
bool parseFileVersion(std::string_view text, RuntimeVersionInfo& info);
int platform_getRuntimeVersion(RuntimeVersionInfo& info);

void platform_getPlatformInfo(PlatformInfo& info);
// The processor family code for a machine name as uname reports it.
std::int32_t platform_architectureCode(const std::string& machine);

bool platform_updateDisabledFileExists();
// There is no configuration store on this platform: always 0.
int platform_getConfigurationValue(const char* name);

}  // namespace install
