#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Moorstep/Bootstrapper.h"
#include "Moorstep/Downloader.h"
#include "Moorstep/LocalizedStrings.h"
#include "Moorstep/Notifications.h"
#include "RecordingUserInterface.h"
#include "ScopedEnv.h"
#include "SyslogCapture.h"
#include "TempDir.h"
#include "libinstall/MacSystemVersion.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/OpenFile.h"

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
  // Short of descriptors, the command line is still judged first.
  refused.applicationCannotLaunch({4, 64});
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "3.2.0.2060\nAvailable Options: -silent { -eulaAccepted ( -location <dir> ) "
            "-desktopShortcut -programMenu -allowDownload }\nAvailable Options: -silent { "
            "-eulaAccepted ( -location <dir> ) -desktopShortcut -programMenu -allowDownload }\n");
  EXPECT_EQ(exits, (std::vector<int>{0, 2, 2}));
}

}  // namespace

namespace {
using testsupport::RecordingUserInterface;

// The end of a run and the chain's decisions, with windows, exit and log recorded.
class BootstrapperRun : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.set("LANGUAGE", "en");
    env_.set("XDG_DATA_DIRS", dir_.make("share"));
    env_.set("XDG_DATA_HOME", dir_.make("home"));
    env_.set("TMPDIR", dir_.make("tmp"));
    env_.set("MOORSTEP_SYSLOG_CAPTURE", dir_.path() + "/syslog");
    moorstep::embeddedStringLocale = -1;
    platform::ui::setUserInterfaceForTesting(&ui_);
    platform::setExitHandler([this](int code) { exits_.push_back(code); });
    dir_.make("Install Sample.app/Contents/Resources/Sample");
    bootstrapper_ = std::make_unique<Bootstrapper>(
        std::vector<std::string>{dir_.path() + "/Install Sample.app/Contents/MacOS/Install Sample"},
        platform::Bundle::bundleWithPath(dir_.path() + "/Install Sample.app"));
    bootstrapper_->setDownloader(&downloader_);
  }
  void TearDown() override {
    platform::setExitHandler(nullptr);
    platform::ui::setUserInterfaceForTesting(nullptr);
    moorstep::embeddedStringLocale = -1;
    MacSystemVersion::SetReaderForTesting(nullptr);
  }
  std::vector<std::string> log() const {
    return testsupport::logTexts(testsupport::readLogRecords(dir_.path() + "/syslog"));
  }
  static std::string message(int id) {
    return moorstep::LocalizedStrings::getEmbeddedMessage(id).value_or("");
  }

  TempDir dir_;
  testsupport::ScopedEnv env_{
      {"LANGUAGE", "XDG_DATA_DIRS", "XDG_DATA_HOME", "TMPDIR", "MOORSTEP_SYSLOG_CAPTURE"}};
  RecordingUserInterface ui_;
  moorstep::Downloader downloader_;
  std::unique_ptr<Bootstrapper> bootstrapper_;
  std::vector<int> exits_;
};

TEST_F(BootstrapperRun, TheEndShowsTheRightMessageThenLogsThenCleansUp) {
  bootstrapper_->cleanupAndExit(true, 0, "ignored");
  EXPECT_TRUE(ui_.shown.empty()) << "success shows nothing";
  bootstrapper_->cleanupAndExit(false, 7, std::nullopt);
  EXPECT_TRUE(ui_.shown.empty()) << "an installer's own failure shows nothing";
  bootstrapper_->cleanupAndExit(true, 13, std::nullopt);
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].kind, "alert");
  EXPECT_EQ(ui_.shown[0].title, "Install Sample");
  EXPECT_EQ(ui_.shown[0].text, message(1)) << "no message given: the generic one";
  EXPECT_EQ(ui_.shown[0].button, "OK");

  downloader_.setLastError(platform::UrlError{"OtherDomain", -1100, "x", "u"});
  bootstrapper_->cleanupAndExit(true, 11, message(0));
  EXPECT_EQ(ui_.shown.back().kind, "alert");
  EXPECT_EQ(ui_.shown.back().text, message(0));

  downloader_.setLastError(platform::UrlError::make(platform::kUrlErrorFileDoesNotExist, "u"));
  bootstrapper_->cleanupAndExit(true, 13, message(6));
  EXPECT_EQ(ui_.shown.back().kind, "dialog");
  EXPECT_EQ(ui_.shown.back().title, "Install Sample");
  ASSERT_EQ(ui_.shown.back().runs.size(), 3u);
  EXPECT_EQ(ui_.shown.back().runs[1],
            (platform::ui::TextRun{"system requirements",
                                   "https://www.kavex.example/en/zel/system-requirements/"}));
  EXPECT_EQ(exits_, (std::vector<int>{0, 7, 13, 11, 13}));
  EXPECT_EQ(log(), (std::vector<std::string>{
                       "Bootstrapper end with exit code 0", "Bootstrapper end with exit code 7",
                       "Bootstrapper end with exit code 13", "Bootstrapper end with exit code 11",
                       "Bootstrapper end with exit code 13"}));
}

TEST_F(BootstrapperRun, AnUnknownPlatformEndsAsAFailedDownloadNotAsSuccess) {
  MacSystemVersion::SetReaderForTesting([] { return MacSystemVersion(); });
  bootstrapper_->applicationDidFinishLaunching();
  EXPECT_EQ(exits_, std::vector<int>{11});
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].text, message(0));
  const std::vector<std::string> lines = log();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2],
            "Download failure: cannot form the runtime download address for this system");
  EXPECT_EQ(lines.back(), "Bootstrapper end with exit code 11");
}

TEST_F(BootstrapperRun, TheChainsFailuresEndWithTheirCodesAndMessages) {
  bootstrapper_->handleDownloaderDone(true, {dir_.write("tmp/only-one", "x")});
  bootstrapper_->handleDownloaderDone(false, {"a", "b"});
  bootstrapper_->handleSignatureDone(false, nullptr);
  bootstrapper_->handleSignatureDone(true, nullptr);  // no installer that could be made runnable
  // A revocation list that was not found does not turn a Cancel of the lists that follow it
  // into the message for a missing installer.
  downloader_.setLastError(platform::UrlError::make(platform::kUrlErrorFileDoesNotExist, "u"));
  platform::NotificationCenter::defaultCenter().post(
      {moorstep::SIGNATURE_VERIFY_NOTIFY_DONE,
       nullptr,
       {{moorstep::SIGNATURE_KEY_DOWNLOAD_CANCELLED, true}}});
  EXPECT_EQ(exits_, (std::vector<int>{11, 11, 13, 11, 11}));
  ASSERT_EQ(ui_.shown.size(), 5u);
  EXPECT_EQ(ui_.shown[0].text, message(0));
  EXPECT_EQ(ui_.shown[2].text, message(6));
  EXPECT_EQ(ui_.shown[3].text, message(6));
  EXPECT_EQ(ui_.shown[4].kind, "alert");
  EXPECT_EQ(ui_.shown[4].text, message(0));

  // A list that the network ended asks the user to check the connection; any other failure
  // keeps the message it had.
  const std::vector<std::pair<int, int>> messageForError = {
      {platform::kUrlErrorCannotFindHost, 5},
      {platform::kUrlErrorCannotConnectToHost, 5},
      {platform::kUrlErrorNetworkConnectionLost, 5},
      {platform::kUrlErrorTimedOut, 5},
      {platform::kUrlErrorDataLengthExceedsMaximum, 0},
      {platform::kUrlErrorCannotWriteToFile, 0},
      {platform::kUrlErrorUserAuthenticationRequired, 5},
      {platform::kUrlErrorNotConnectedToInternet, 5},
  };
  for (const auto& [code, id] : messageForError) {
    SCOPED_TRACE(code);
    downloader_.setLastError(platform::UrlError::make(code, "u"));
    bootstrapper_->handleDownloaderDone(false, {});
    EXPECT_EQ(exits_.back(), 11);
    EXPECT_EQ(ui_.shown.back().kind, "alert");
    EXPECT_EQ(ui_.shown.back().text, message(id));
  }
  downloader_.setLastError(platform::UrlError::make(platform::kUrlErrorTimedOut, "u"));
  bootstrapper_->handleDownloaderDone(true, {"only-one"});
  EXPECT_EQ(ui_.shown.back().text, message(0)) << "a list that did not fail is not the network";
  // A source that the network failed is not why a later list, cancelled, ended.
  downloader_.setLastError(platform::UrlError::make(platform::kUrlErrorTimedOut, "u"));
  downloader_.setUrlStrings({"http://mirror.invalid/installer"});
  bootstrapper_->handleDownloaderDone(false, {});
  EXPECT_EQ(ui_.shown.back().text, message(0));
}

TEST_F(BootstrapperRun, ExecutePermissionIsAddedAndNothingCleared) {
  const std::string file = dir_.write("tmp/installer", "#!/bin/sh\n");
  const std::optional<platform::OpenFile> opened = platform::OpenFile::open(file);
  ASSERT_TRUE(opened);
  for (auto [before, after] :
       {std::pair{0600, 0711}, std::pair{0644, 0755}, std::pair{04640, 04751}}) {
    ::chmod(file.c_str(), before);
    EXPECT_TRUE(bootstrapper_->markAsExecutable(*opened));
    struct stat status {};
    ::stat(file.c_str(), &status);
    EXPECT_EQ(status.st_mode & 07777, static_cast<unsigned>(after));
  }
  std::filesystem::create_symlink(file, dir_.path() + "/tmp/link");
  EXPECT_FALSE(platform::OpenFile::open(dir_.path() + "/tmp/link")) << "a link is never opened";
  EXPECT_FALSE(platform::OpenFile::open(dir_.path() + "/tmp"));
  EXPECT_FALSE(platform::OpenFile::open(dir_.path() + "/tmp/missing"));
}

TEST_F(BootstrapperRun, TheRuntimeInstallerGetsTheArgumentsOrX1AndTheApplicationFolder) {
  const std::string out = dir_.path() + "/args";
  const std::string installer =
      dir_.write("tmp/installer", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + out + "'\nexit 3\n");
  ::chmod(installer.c_str(), 0700);
  const std::optional<platform::OpenFile> opened = platform::OpenFile::open(installer);
  ASSERT_TRUE(opened);
  const std::string app = *bootstrapper_->appPath();
  EXPECT_EQ(bootstrapper_->installWithInstaller(installer, *opened, {}), 3);
  EXPECT_EQ(testsupport::readLogRecords(dir_.path() + "/syslog").size(), 2u);
  std::ifstream first(out);
  std::string seen;
  std::getline(first, seen);
  EXPECT_EQ(seen, "-x1|" + app + "|");
  EXPECT_EQ(bootstrapper_->installWithInstaller(installer, *opened, {"-silent", "-eulaAccepted"}),
            3);
  EXPECT_EQ(log()[2],
            "Launching subprocess with commandline \"ZEL Runtime Installer\" -silent "
            "-eulaAccepted " +
                app + " ");
  EXPECT_EQ(log()[3], "Subprocess Runtime Installer failed (3)");
}

TEST_F(BootstrapperRun, TheVerifiedFileRunsWhateverIsRenamedOverItsName) {
  const std::string out = dir_.path() + "/ran";
  const std::string installer =
      dir_.write("tmp/installer", "#!/bin/sh\necho verified > '" + out + "'\n");
  const std::optional<platform::OpenFile> verified = platform::OpenFile::open(installer);
  ASSERT_TRUE(verified);
  // Another file takes the name between verification and launch, ready to run.
  const std::string other = dir_.write("tmp/other", "#!/bin/sh\necho swapped > '" + out + "'\n");
  ::chmod(other.c_str(), 0755);
  ASSERT_EQ(::rename(other.c_str(), installer.c_str()), 0);
  ASSERT_TRUE(bootstrapper_->markAsExecutable(*verified));
  EXPECT_EQ(bootstrapper_->installWithInstaller(installer, *verified, {}), 0);
  EXPECT_EQ(testsupport::readFile(out), "verified\n");
  EXPECT_EQ(log()[0], "Launching subprocess with commandline \"ZEL Runtime Installer\" -x1 " +
                          *bootstrapper_->appPath() + " ");
}

}  // namespace
