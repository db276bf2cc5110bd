#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "libinstall/LibInstall.h"
#include "libinstall/LinuxInstall.h"
#include "platform/FileManager.h"
#include "platform/Task.h"

namespace {
using testsupport::readFile;
using testsupport::TempDir;

class SampleRuntime : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.set("XDG_DATA_DIRS",
             dir_.path() + "/no/such:" + dir_.make("local") + ":" + dir_.make("system"));
    env_.set("XDG_DATA_HOME", dir_.make("user"));
    env_.set("SAMPLE_ZEL_VERSION", std::nullopt);
    env_.set("SAMPLE_ZEL_EXIT_STATUS", std::nullopt);
    dir_.write("bundle/Sample/app.txt", "the application\n");
  }
  std::string app() const { return dir_.path() + "/bundle/Sample"; }

  testsupport::ScopedEnv env_{
      {"XDG_DATA_DIRS", "XDG_DATA_HOME", "SAMPLE_ZEL_VERSION", "SAMPLE_ZEL_EXIT_STATUS"}};
  TempDir dir_;
};

TEST_F(SampleRuntime, InstallerInstallsTheRuntimeAndThenTheApplication) {
  ASSERT_EQ(platform::Task::launchAndWait(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, {"-x1", app()}), 0);
  EXPECT_EQ(install::getRuntimeLocation(), dir_.path() + "/no/such/Frameworks/Kavex ZEL.framework")
      << "the first folder it can write, created when missing";
  install::RuntimeVersionInfo info{};
  ASSERT_EQ(install::getRuntimeVersion(info), 0);
  EXPECT_GE(info.major, 2);
  const std::string installed = dir_.path() + "/user/Kavex ZEL Applications/";
  EXPECT_EQ(readFile(installed + "Sample/app.txt"), "the application\n");
  EXPECT_EQ(readFile(installed + "Sample.receipt"), app() + "\n") << "-x1 is not handed on";

  // The installed runtime's Application Installer takes the forwarded options.
  const std::string target = dir_.path() + "/apps";
  EXPECT_EQ(install::runAppInstaller({"-silent", "-location", target, app()}), 0);
  EXPECT_EQ(readFile(target + "/Sample.receipt"),
            "-silent\n-location\n" + target + "\n" + app() + "\n");
  EXPECT_TRUE(platform::isDirectory(target + "/Sample"));

  env_.set("SAMPLE_ZEL_EXIT_STATUS", "7");
  EXPECT_EQ(install::runAppInstaller({app()}), 7);
  EXPECT_EQ(install::runAppInstaller({dir_.path() + "/missing-app"}), 66);
}

TEST_F(SampleRuntime, FrameworkAloneWithAChosenVersion) {
  env_.set("SAMPLE_ZEL_VERSION", "1.5.3.77");
  ASSERT_EQ(platform::Task::launchAndWait(MOORSTEP_SAMPLE_RUNTIME_INSTALLER,
                                          {"--install-framework", dir_.path() + "/system"}),
            0);
  install::RuntimeVersionInfo info{};
  ASSERT_EQ(install::getRuntimeVersion(info), 0);
  EXPECT_EQ(info.major, 1);
  EXPECT_EQ(info.build, 77);
  EXPECT_EQ(platform::Task::launchAndWait(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, {}), 64);
}

}  // namespace
