#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "libinstall/LibInstall.h"
#include "libinstall/LinuxInstall.h"

namespace {
using install::RuntimeVersionInfo;
using testsupport::TempDir;

std::string infoPlist(const std::string& entries) {
  return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + entries + "</dict></plist>";
}

std::string versionEntry(const std::string& version) {
  return "<key>CFBundleVersion</key><string>" + version + "</string>";
}

// Machines made of temporary folders: a local and a system data folder for frameworks and a
// user data folder, which is never searched for the runtime.
class Runtime : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.set("XDG_DATA_DIRS", local() + ":" + system());
    env_.set("XDG_DATA_HOME", user());
  }
  std::string local() const { return dir_.path() + "/local"; }
  std::string system() const { return dir_.path() + "/system"; }
  std::string user() const { return dir_.path() + "/user"; }
  std::string framework(const std::string& library) const {
    return library + "/Frameworks/Kavex ZEL.framework";
  }
  void installFramework(const std::string& library, const std::string& version) {
    dir_.write(framework(library).substr(dir_.path().size() + 1) + "/Resources/Info.plist",
               infoPlist(versionEntry(version)));
  }
  // An Application Installer whose executable runs body.
  void installAppInstaller(const std::string& library, const std::string& body,
                           mode_t mode = 0755) {
    const std::string app = framework(library).substr(dir_.path().size() + 1) +
                            "/Versions/1.0/Kavex ZEL Application Installer.app/Contents";
    dir_.write(app + "/Info.plist", infoPlist("<key>CFBundleExecutable</key><string>ai</string>"));
    chmod(dir_.write(app + "/MacOS/ai", "#!/bin/sh\n" + body).c_str(), mode);
  }

  testsupport::ScopedEnv env_{{"XDG_DATA_DIRS", "XDG_DATA_HOME"}};
  TempDir dir_;
};

TEST_F(Runtime, TheFirstDataFolderThatHoldsAFrameworkWins) {
  EXPECT_FALSE(install::getRuntimeLocation());
  EXPECT_FALSE(install::getAppInstallerLocation());
  installFramework(user(), "3.2.0.2060");
  EXPECT_FALSE(install::getRuntimeLocation()) << "the user's own folder is not searched";
  installFramework(system(), "2.0.0.1");
  EXPECT_EQ(install::getRuntimeLocation(), framework(system()));
  installFramework(local(), "3.2.0.2060");
  EXPECT_EQ(install::getRuntimeLocation(), framework(local()));
  EXPECT_EQ(install::getAppInstallerLocation(),
            framework(local()) + "/Versions/1.0/Kavex ZEL Application Installer.app");
  RuntimeVersionInfo info{};
  EXPECT_EQ(install::getRuntimeVersion(info), 0);
  EXPECT_EQ(info.major, 3);
  EXPECT_EQ(info.build, 2060);
}

TEST_F(Runtime, VersionFollowsTheScannerRulesAndLeavesTheRecordAloneOnFailure) {
  struct Case {
    std::string version;
    int result;
    RuntimeVersionInfo info;
  };
  const RuntimeVersionInfo untouched{-7, -7, -7, -7};
  const std::vector<Case> cases = {
      {"3.2.0.2060", 0, {3, 2, 0, 2060}},
      {"1.5.3.77 beta", 0, {1, 5, 3, 77}},
      {" 2 . 0 .\t1. +9", 0, {2, 0, 1, 9}},
      {"-1.2.3.4.5", 0, {-1, 2, 3, 4}},
      {"2.7", -3, untouched},
      {"2.7.1", -3, untouched},
      {"2.x.1.1", -3, untouched},
      {"2.7.1.", -3, untouched},
      {"", -3, untouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    installFramework(local(), c.version);
    RuntimeVersionInfo info = untouched;
    EXPECT_EQ(install::platform_getFileVersion(framework(local()).c_str(), info), c.result);
    EXPECT_EQ(std::vector<int>({info.major, info.minor, info.bugfix, info.build}),
              std::vector<int>({c.info.major, c.info.minor, c.info.bugfix, c.info.build}));
  }
  RuntimeVersionInfo info = untouched;
  dir_.write("plain/Resources/Info.plist", infoPlist("<key>Other</key><string>1</string>"));
  EXPECT_EQ(install::platform_getFileVersion((dir_.path() + "/plain").c_str(), info), -3);
  dir_.write("int/Resources/Info.plist",
             infoPlist("<key>CFBundleVersion</key><integer>3</integer>"));
  EXPECT_EQ(install::platform_getFileVersion((dir_.path() + "/int").c_str(), info), -3);
  EXPECT_EQ(install::platform_getFileVersion((dir_.path() + "/none").c_str(), info), -3);
  EXPECT_EQ(install::platform_getFileVersion(nullptr, info), -3);
  EXPECT_EQ(info.major, -7);
}

TEST_F(Runtime, ApplicationInstallerStatusesAndTheArgumentsItGets) {
  EXPECT_EQ(install::runAppInstaller({}), 3) << "no runtime";
  installFramework(local(), "3.2.0.2060");
  EXPECT_EQ(install::runAppInstaller({}), 5) << "no Application Installer bundle";

  const std::string marker = dir_.path() + "/ran";
  installAppInstaller(local(), "printf '%s|' \"$@\" > '" + marker + "'; exit 7\n");
  EXPECT_EQ(install::runAppInstaller({"-silent", "-location", "/x y", "/app dir"}), 7);
  std::ifstream in(marker);
  std::string seen;
  std::getline(in, seen);
  EXPECT_EQ(seen, "-silent|-location|/x y|/app dir|");

  installAppInstaller(local(), "exit 0\n", 0644);
  EXPECT_EQ(install::runAppInstaller({"/app"}), 126) << "present but cannot be run";
  const std::string contents =
      framework(local()) + "/Versions/1.0/Kavex ZEL Application Installer.app/Contents";
  std::remove((contents + "/MacOS/ai").c_str());
  EXPECT_EQ(install::runAppInstaller({"/app"}), 5) << "no executable";
}

TEST_F(Runtime, UpdatesAreDisabledByTheMarkerInTheUsersDataFolderOnly) {
  EXPECT_TRUE(install::canUpdateRuntime());
  dir_.write("local/Kavex/ZEL/updateDisabled", "");
  dir_.write("system/Kavex/ZEL/updateDisabled", "");
  EXPECT_TRUE(install::canUpdateRuntime()) << "markers elsewhere are not seen";
  dir_.write("user/Kavex/ZEL/updateDisabled", "");
  EXPECT_FALSE(install::canUpdateRuntime());
  env_.set("XDG_DATA_HOME", dir_.make("other-user/Kavex/ZEL/updateDisabled")
                                .substr(0, dir_.path().size() + std::string("/other-user").size()));
  EXPECT_FALSE(install::canUpdateRuntime()) << "a folder counts as a marker too";
  EXPECT_EQ(install::platform_getConfigurationValue("UpdateDisabled"), 0);
}

}  // namespace
