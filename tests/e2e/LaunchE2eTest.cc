#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BackgroundRun.h"
#include "E2eSandbox.h"
#include "platform/Task.h"

namespace {
using testsupport::E2eSandbox;
using testsupport::logged;
using testsupport::RunResult;

constexpr char kUsage[] =
    "Available Options: -silent { -eulaAccepted ( -location <dir> ) -desktopShortcut "
    "-programMenu -allowDownload }\n";

TEST(Launch, VersionPrintsOnlyTheVersionAndLogsNothing) {
  E2eSandbox box;
  const std::string exe = box.makeBundle();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-version"}, {"-psn_0_4711", "-version"}, {"-version", "-psn"}}) {
    RunResult r = box.run(exe, args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3.2.0.2060\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.log.empty());
  }
}

// The ordinary build links this machine's libcurl, OpenSSL and libplist: its bundle must not
// pass for one that starts elsewhere (make portable makes that one).
TEST(Launch, TheBundleCheckRefusesLibrariesOnlyThisMachineHas) {
  E2eSandbox box;
  box.makeBundle();
  RunResult r = box.run(MOORSTEP_CHECK_BUNDLE, {box.root() + "/Install Sample.app"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Contents/MacOS/Install Sample\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  needs libcurl.so.4: NOT ALLOWED\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  needs libc.so.6: system\n"), std::string::npos) << r.out;
}

TEST(Launch, VersionAndRefusedCommandLinesNeverLoadTheWindowSystem) {
  E2eSandbox box;
  const std::string exe = box.makeBundle();
  box.setEnv("DISPLAY", ":97");
  box.setEnv("LD_DEBUG", "files");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-version"}, {"-bogus"}}) {
    RunResult r = box.run(exe, args);
    EXPECT_EQ(r.err.find("moorstep-gtk.so"), std::string::npos);
    EXPECT_EQ(r.err.find("libgtk"), std::string::npos);
  }
}

TEST(Launch, ARefusedCommandLinePrintsTheUsageOnceAndLogsNothing) {
  E2eSandbox box;
  const std::string exe = box.makeBundle();
  const std::vector<std::vector<std::string>> refused = {
      {"-eulaAccepted"},        {"-silent", "-bogus", "-silent"},
      {"-silent", "-version"},  {"-eulaAccepted", "-silent"},
      {"-silent", "-location"}, {"\xff\xfe", "-silent"},
      {"-silent", "\xc3("},
  };
  for (const auto& args : refused) {
    RunResult r = box.run(exe, args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.log.empty());
  }
}

TEST(Launch, AcceptedCommandLinesPassTheGate) {
  E2eSandbox box;
  const std::string exe = box.makeBundle();
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"-psn_0_1"},
                                               {"-silent"},
                                               {"-location", "-silent", "-allowDownload"},
                                               {"-silent", "-location", "\xff/dir"}}) {
    RunResult r = box.run(exe, args);
    EXPECT_NE(r.exitCode, 2);
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log.front().text, "Bootstrapper begin with version 1.0 on Mac x86");
  }
}

TEST(Launch, BrokenBundlesAndNoBundleAtAllNeverCrash) {
  E2eSandbox box;
  const std::string exe = box.makeBundle();
  const std::string contents = box.root() + "/Install Sample.app/Contents";
  const std::vector<std::string> hostile = {"", "<plist><dict><key>CFBundleVersion</key>",
                                            "bplist00\x01\x02garbage", std::string(100000, '<'),
                                            "<plist><array><string>x</string></array></plist>"};
  for (const std::string& content : hostile) {
    box.dir().write("Install Sample.app/Contents/Info.plist", content);
    box.dir().write("Install Sample.app/Contents/Resources/Config.plist", content);
    EXPECT_EQ(box.run(exe, {"-version"}).exitCode, 0);
    EXPECT_EQ(box.run(exe, {"-silent"}).exitCode, 10);
    EXPECT_EQ(box.run(exe, {"-x"}).exitCode, 2);
  }
  std::filesystem::remove_all(contents + "/Resources");
  EXPECT_EQ(box.run(exe, {"-silent"}).exitCode, 12) << "no resource folder";

  const std::string loose = box.dir().write("bin/moorstep", "");
  std::filesystem::copy_file(MOORSTEP_EXE, loose,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(loose, std::filesystem::perms::owner_all);
  RunResult outside = box.run(loose, {"-version"});
  EXPECT_EQ(outside.exitCode, 0);
  EXPECT_EQ(outside.out, "3.2.0.2060\n");
  EXPECT_EQ(box.run(loose, {"-silent"}, "").exitCode, 12) << "an empty program path";
  EXPECT_EQ(box.run(loose, {"-silent"}, "..").exitCode, 12) << "a program path of ..";
}

// Without /proc the program cannot find its own bundle: it says so rather than looking for the
// application somewhere else.
TEST(Launch, WithoutProcTheRunSaysSoAndEndsWith11) {
  E2eSandbox box;
  const std::string exe = box.makeBundle();
  // An empty /proc in a mount namespace of the run's own.
  const std::vector<std::string> launcher = {"/usr/bin/unshare",
                                             geteuid() == 0 ? "-m" : "-rm",
                                             "--propagation",
                                             "private",
                                             "/bin/sh",
                                             "-c",
                                             "mount -t tmpfs none /proc && exec \"$@\"",
                                             "sh"};
  std::vector<std::string> probe(launcher.begin() + 1, launcher.end());
  probe.push_back("/bin/true");
  if (platform::Task::launchAndWait(launcher[0], probe) != 0) {
    GTEST_SKIP() << "this kernel refuses mount namespaces here";
  }
  if (testsupport::kSanitized) GTEST_SKIP() << "the sanitizers' runtime cannot start without /proc";
  RunResult r = box.start(exe, {"-silent", "-allowDownload"}, {}, launcher)->finish();
  EXPECT_EQ(r.exitCode, 11) << r.err;
  EXPECT_TRUE(logged(r,
                     "Cannot locate the running program: /proc/self/exe cannot be read (is /proc "
                     "mounted?)"));
  EXPECT_TRUE(std::filesystem::is_empty(box.tmpDir()));
}

}  // namespace
