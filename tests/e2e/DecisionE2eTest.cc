#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "E2eSandbox.h"
#include "HttpServer.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/Task.h"

namespace {
using testsupport::readFile;
namespace fs = std::filesystem;
using testsupport::E2eSandbox;
using testsupport::RunResult;
using Strings = std::vector<std::string>;

class Decision : public ::testing::Test {
 protected:
  Decision() : exe_(box_.makeBundle()) {}

  std::string appPath() const {
    return box_.root() + "/Install Sample.app/Contents/Resources/Sample";
  }
  // The sample runtime framework, laid out in the local data folder.
  void installRuntime(const std::string& version) {
    testsupport::ScopedEnv env({"SAMPLE_ZEL_VERSION"});
    env.set("SAMPLE_ZEL_VERSION", version);
    ASSERT_EQ(platform::Task::launchAndWait(MOORSTEP_SAMPLE_RUNTIME_INSTALLER,
                                            {"--install-framework", box_.localDataDir()}),
              0);
  }
  void disableUpdates() { box_.dir().write("home/.local/share/Kavex/ZEL/updateDisabled", ""); }
  bool tmpIsEmpty() const { return fs::is_empty(box_.tmpDir()); }

  E2eSandbox box_;
  std::string exe_;
};

TEST_F(Decision, AMissingApplicationFolderEndsWith12AndNoDialog) {
  fs::remove_all(appPath());
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 12);
  EXPECT_EQ(testsupport::logTexts(r.log),
            (Strings{"Bootstrapper begin with version 1.0 on Mac x86",
                     "Could not locate native install directory (\"" + appPath() + "\")",
                     "Bootstrapper end with exit code 12"}));
  EXPECT_EQ(r.err, "");
  box_.dir().write("Install Sample.app/Contents/Resources/Sample", "a plain file");
  EXPECT_EQ(box_.run(exe_, {"-silent"}).exitCode, 12);
}

TEST_F(Decision, AnInstalledRuntimeInstallsTheApplicationAndItsStatusIsTheExitCode) {
  installRuntime("3.2.0.2060");
  const std::string target = box_.root() + "/apps";
  RunResult r = box_.run(exe_, {"-silent", "-eulaAccepted", "-location", target, "-programMenu"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(readFile(target + "/Sample.receipt"),
            "-silent\n-eulaAccepted\n-location\n" + target + "\n-programMenu\n" + appPath() + "\n");
  EXPECT_TRUE(fs::exists(target + "/Sample/app.txt"));
  const std::string framework = box_.localDataDir() + "/Frameworks/Kavex ZEL.framework";
  EXPECT_EQ(
      testsupport::logTexts(r.log),
      (Strings{"Bootstrapper begin with version 1.0 on Mac x86",
               "Installed runtime (3.2.0.2060) located at " + framework,
               "Launching subprocess with commandline \"ZEL Application Installer\" -silent "
               "-eulaAccepted -location " +
                   target + " -programMenu " + appPath() + " ",
               "Subprocess Application Installer succeeded", "Bootstrapper end with exit code 0"}));

  box_.setEnv("SAMPLE_ZEL_EXIT_STATUS", "7");
  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_EQ(r.log.at(2).text,
            "Launching subprocess with commandline \"ZEL Application "
            "Installer\" " +
                appPath() + " ");
  EXPECT_EQ(r.log.at(3).text, "Subprocess Application Installer failed (7)");
  EXPECT_EQ(r.log.at(4).text, "Bootstrapper end with exit code 7");

  fs::remove_all(framework + "/Versions");
  r = box_.run(exe_, {"-silent"});
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_EQ(r.log.at(3).text, "Subprocess Application Installer failed (5)");
}

TEST_F(Decision, WithoutAllowDownloadAScriptedRunEndsWith10) {
  for (const Strings& args : {Strings{"-silent"}, Strings{"-eulaAccepted", "-desktopShortcut"}}) {
    RunResult r = box_.run(exe_, args);
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(r.out, "Unable to download runtime installer without -allowDownload\n");
    EXPECT_EQ(
        testsupport::logTexts(r.log),
        (Strings{"Bootstrapper begin with version 1.0 on Mac x86", "No installed runtime detected",
                 "Unable to download runtime installer without -allowDownload",
                 "Bootstrapper end with exit code 10"}));
    EXPECT_EQ(r.err, "");
  }
  installRuntime("1.5.3.77");
  disableUpdates();
  EXPECT_EQ(box_.run(exe_, {"-silent", "-eulaAccepted"}).exitCode, 10) << "before the marker";
}

TEST_F(Decision, AnOldRuntimeWithUpdatesDisabledShowsMessage10EvenWhenSilent) {
  installRuntime("1.5.3.77");
  disableUpdates();
  RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 15);
  EXPECT_EQ(r.err,
            "Install Sample\nThis application requires an update to Kavex ZEL but "
            "downloading that update on your system is not allowed by your administrator. "
            "Please contact your administrator.\n");
  EXPECT_EQ(testsupport::logTexts(r.log).at(2),
            "Cannot complete installation because runtime updates are disabled on this machine");
  EXPECT_EQ(testsupport::logTexts(r.log).back(), "Bootstrapper end with exit code 15");
}

TEST_F(Decision, NoRuntimeAndNoServerEndsWith11AndTheNetworkMessage) {
  disableUpdates();  // with no runtime installed the marker is not consulted
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 11);
  EXPECT_NE(r.err.find("Install Sample\nUnable to download Kavex ZEL. Make sure that you\u2019re "
                       "connected to the network and try again."),
            std::string::npos)
      << r.err;
  const Strings log = testsupport::logTexts(r.log);
  EXPECT_TRUE(log.at(2).starts_with("Begin runtime download from http://127.0.0.1:1/zel/3/vdx/"));
  EXPECT_TRUE(log.at(2).ends_with("/installer"));
  EXPECT_EQ(log.at(3), "Download failure: Could not connect to the server.");
  EXPECT_EQ(log.back(), "Bootstrapper end with exit code 11");
  EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Decision, NoInstallerForThisSystemShowsMessage8WithItsLinkInTheUsersLanguage) {
  testsupport::HttpServer server(box_.dir().make("www"));
  box_.setEnv("MOORSTEP_DOWNLOAD_HOST", server.host());
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 11);
  EXPECT_EQ(r.err,
            "Install Sample\nThis application requires an update to Kavex ZEL that is not "
            "available for your system. Please view the system requirements "
            "<https://www.kavex.example/en/zel/system-requirements/> for Kavex ZEL and "
            "update your system accordingly.\n");
  EXPECT_EQ(server.requests(), Strings{E2eSandbox::downloadPaths().first});
  EXPECT_TRUE(tmpIsEmpty());

  box_.setEnv("LANGUAGE", "ja");
  r = box_.run(exe_, {});
  EXPECT_NE(r.err.find("システム要件 <https://www.kavex.example/ja/zel/system-requirements/>"),
            std::string::npos)
      << r.err;
  box_.setEnv("LANGUAGE", std::nullopt);
  box_.setEnv("LANG", "de_DE.UTF-8");
  box_.setEnv("MOORSTEP_DOWNLOAD_HOST", "127.0.0.1:1");
  r = box_.run(exe_, {});
  EXPECT_NE(r.err.find("Kavex ZEL konnte nicht heruntergeladen werden."), std::string::npos)
      << r.err;
}

TEST_F(Decision, ThePublishersToolPrintsTheFolderTheProgramAsksFor) {
  testsupport::HttpServer server(box_.dir().make("www"));
  box_.setEnv("MOORSTEP_DOWNLOAD_HOST", server.host());
  const std::pair<const char*, const char*> releases[] = {
      {"6.1.0-13-amd64", "6.1"},
      {"5.10.102.1-microsoft-standard-WSL2", "5.10"},
      {"6", "6.0"},
      {"4.19", "4.19"},
  };
  for (const auto& [release, version] : releases) {
    box_.fakeKernelRelease(release);
    const RunResult tool = box_.run(MOORSTEP_DOWNLOAD_PATH_TOOL, {MOORSTEP_BUILD_DIR});
    ASSERT_EQ(tool.exitCode, 0) << tool.err;
    ASSERT_TRUE(tool.out.ends_with("\n"));
    const std::string folder = tool.out.substr(0, tool.out.size() - 1);
    EXPECT_TRUE(folder.starts_with(std::string("zel/3/vdx/unknown") + version + "/")) << folder;
    EXPECT_EQ(box_.run(exe_, {}).exitCode, 11) << "nothing is served there";
    EXPECT_EQ(server.requests().back(), "/" + folder + "/installer") << release;
  }
}

TEST_F(Decision, ABundleWithoutAVersionLogsAPlaceholder) {
  const std::string exe = box_.makeBundle("Install Other", std::nullopt);
  RunResult r = box_.run(exe, {"-silent"});
  EXPECT_EQ(r.log.at(0).text, "Bootstrapper begin with version (unknown) on Mac x86");
}

}  // namespace
