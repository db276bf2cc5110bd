#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Moorstep/Bootstrapper.h"
#include "Moorstep/LocalizedStrings.h"
#include "Moorstep/Notifications.h"
#include "TempDir.h"
#include "platform/Application.h"
#include "platform/Bundle.h"

namespace {
using moorstep::Bootstrapper;
using testsupport::TempDir;

class BootstrapperInit : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LANGUAGE", "en", 1);
    moorstep::embeddedStringLocale = -1;
    platform::setExitHandler([this](int code) { exits.push_back(code); });
  }
  void TearDown() override {
    platform::setExitHandler(nullptr);
    unsetenv("LANGUAGE");
    moorstep::embeddedStringLocale = -1;
  }
  std::optional<platform::Bundle> bundle(const std::string& name) {
    return platform::Bundle::bundleWithPath(dir.path() + "/" + name + ".app");
  }

  TempDir dir;
  std::vector<int> exits;
};

TEST_F(BootstrapperInit, DerivesNamesTitleAndTheApplicationFolder) {
  dir.make("Install Sample.app/Contents/Resources/Sample");
  dir.write("Install Sample.app/Contents/Resources/Config.plist",
            "<plist><dict><key>A</key><string>b</string></dict></plist>");
  Bootstrapper b({dir.path() + "/Install Sample.app/Contents/MacOS/Install Sample"},
                 bundle("Install Sample"));
  EXPECT_EQ(b.appName(), "Install Sample");
  EXPECT_EQ(b.localizedWindowTitle(), "Installing Sample");
  EXPECT_EQ(b.appPath(), dir.path() + "/Install Sample.app/Contents/Resources/Sample");
  ASSERT_TRUE(b.config());
  EXPECT_EQ(b.config()->stringValue("A"), "b");
}

TEST_F(BootstrapperInit, OnlyTheExactPrefixIsRemoved) {
  EXPECT_EQ(moorstep::applicationNameFor("Install Sample"), "Sample");
  EXPECT_EQ(moorstep::applicationNameFor("Installer"), "Installer");
  EXPECT_EQ(moorstep::applicationNameFor("install Sample"), "install Sample");
  EXPECT_EQ(moorstep::applicationNameFor("Install "), "");
  EXPECT_EQ(moorstep::applicationNameFor(""), "");

  dir.make("Installer.app/Contents/Resources/Installer");
  Bootstrapper b({"/elsewhere/Installer"}, bundle("Installer"));
  EXPECT_EQ(b.appPath(), dir.path() + "/Installer.app/Contents/Resources/Installer");
  EXPECT_EQ(b.localizedWindowTitle(), "Installing Installer");
}

TEST_F(BootstrapperInit, MissingPiecesAreNotErrors) {
  dir.write("Install Sample.app/Contents/Resources/Sample", "a plain file");
  dir.write("Install Sample.app/Contents/Resources/Config.plist", "garbage");
  Bootstrapper b({"Install Sample"}, bundle("Install Sample"));
  EXPECT_FALSE(b.appPath()) << "a plain file is not the application folder";
  EXPECT_EQ(b.appPathLookedFor(), dir.path() + "/Install Sample.app/Contents/Resources/Sample");
  EXPECT_FALSE(b.config());

  Bootstrapper nothing({}, std::nullopt);
  EXPECT_EQ(nothing.appName(), "");
  EXPECT_FALSE(nothing.appPath());
}

TEST_F(BootstrapperInit, GateExitsWithTheCheckersCode) {
  dir.make("Install Sample.app/Contents/Resources/Sample");
  testing::internal::CaptureStdout();
  Bootstrapper version({"Install Sample", "-version"}, bundle("Install Sample"));
  version.applicationDidFinishLaunching();
  Bootstrapper refused({"Install Sample", "-eulaAccepted"}, bundle("Install Sample"));
  refused.applicationDidFinishLaunching();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "3.2.0.2060\nAvailable Options: -silent { -eulaAccepted ( -location <dir> ) "
            "-desktopShortcut -programMenu -allowDownload }\n");
  EXPECT_EQ(exits, (std::vector<int>{0, 2}));
}

}  // namespace
