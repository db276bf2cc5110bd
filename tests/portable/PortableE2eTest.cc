#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "BackgroundRun.h"
#include "DevLogCapture.h"
#include "E2eSandbox.h"
#include "HttpServer.h"
#include "TempDir.h"

namespace {
namespace fs = std::filesystem;
using testsupport::E2eSandbox;
using testsupport::RunResult;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kPki = MOORSTEP_TEST_PKI;
const Strings kSilentInstall = {"-silent", "-eulaAccepted", "-allowDownload"};
// What debian-chroot exits with when this machine cannot make chroots at all.
constexpr int kNotRoot = 3;
constexpr int kArchiveUnreachable = 4;

// A receiver's machine: a Debian suite with the packages its user has.
struct Receiver {
  std::string name;
  Strings chroot;  // the suite, then the packages
};

void PrintTo(const Receiver& receiver, std::ostream* out) { *out << receiver.name; }

bool inCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

std::string cacheFolder() {
  if (const char* cache = std::getenv("MOORSTEP_PORTABLE_CACHE")) return cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"))
    return std::string(xdg) + "/moorstep-portable";
  return std::string(std::getenv("HOME") ? std::getenv("HOME") : "/root") +
         "/.cache/moorstep-portable";
}

// The bundle of the portable tree, shipped as a tar with the link and the desktop entry and
// unpacked where the receiver keeps it, run in a chroot of the receiver's system against the
// test's server on loopback.
class ReceiverMachine : public ::testing::Test {
 protected:
  ReceiverMachine() : www_(box_.dir().make("www")), server_(www_) {
    box_.setEnv("PATH", "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
    box_.setEnv("MOORSTEP_PORTABLE_CACHE", cacheFolder());
  }

  // The chroot of a suite and packages, the bundle in it and the runtime on the server.
  void prepare(const Strings& chroot) {
    const RunResult made = box_.run(MOORSTEP_DEBIAN_CHROOT, chroot);
    if (made.exitCode == kNotRoot || made.exitCode == kArchiveUnreachable) {
      if (inCi()) FAIL() << made.err;
      GTEST_SKIP() << made.err;
    }
    ASSERT_EQ(made.exitCode, 0) << made.err;
    chroot_ = made.out.substr(0, made.out.find('\n'));
    exe_ = unpackedBundle();
    const auto [installer, signature] = box_.downloadFrom(server_, www_);
    fs::copy_file(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, www_ + installer);
    ASSERT_EQ(E2eSandbox::signInstaller(www_ + installer, www_ + signature), 0);
    fs::copy_file(kPki + "/crl/intermediate-empty.crl", www_ + "/intermediate.crl");
    fs::copy_file(kPki + "/crl/root-empty.crl", www_ + "/root.crl");
  }

  std::string unpackedBundle() {
    box_.makeBundle("Install Sample", "1.0", MOORSTEP_PORTABLE_TREE "/moorstep");
    const Strings shipped = {"Install Sample", "Install Sample.app", "Install Sample.desktop"};
    Strings pack = {"-czf", box_.root() + "/shipped.tar.gz", "-C", box_.root()};
    pack.insert(pack.end(), shipped.begin(), shipped.end());
    EXPECT_EQ(box_.run("/bin/tar", pack).exitCode, 0);
    for (const std::string& name : shipped) fs::remove_all(box_.root() + "/" + name);
    EXPECT_EQ(
        box_.run("/bin/tar", {"-xzf", box_.root() + "/shipped.tar.gz", "-C", box_.root()}).exitCode,
        0);
    return box_.root() + "/Install Sample";
  }

  // A run in the receiver's chroot, its system log read from the chroot's /dev/log.
  RunResult runInChroot(const std::string& program, const Strings& args) {
    testsupport::DevLogCapture log(box_.root() + "/dev-log.sock");
    box_.setEnv("LD_PRELOAD", std::nullopt);
    std::unique_ptr<testsupport::BackgroundRun> run =
        box_.start(program, args, {}, {MOORSTEP_RUN_IN_CHROOT, chroot_, box_.root(), log.path()});
    RunResult result = run->finish(120s);
    result.log = log.records();
    return result;
  }

  // The run's records as "priority text", its private download folder's random name masked.
  Strings records(const RunResult& run) const {
    const std::regex privateFolder(box_.tmpDir() + "/moorstep-[A-Za-z0-9]+/");
    Strings lines;
    for (const testsupport::LogRecord& record : run.log) {
      lines.push_back(std::to_string(record.priority) + " " +
                      std::regex_replace(record.text, privateFolder, "<private>/"));
    }
    return lines;
  }

  void removeInstall() {
    fs::remove_all(box_.localDataDir() + "/Frameworks");
    fs::remove_all(box_.userDataDir() + "/Kavex ZEL Applications");
  }

  E2eSandbox box_;
  std::string www_;
  testsupport::HttpServer server_;
  std::string chroot_;
  std::string exe_;
};

class Portable : public ReceiverMachine, public ::testing::WithParamInterface<Receiver> {
 protected:
  void SetUp() override { prepare(GetParam().chroot); }
};

TEST_P(Portable, ASilentInstallInstallsRuntimeAndApplicationAndLogsAsOnTheBuildMachine) {
  const RunResult here = box_.run(exe_, kSilentInstall);
  ASSERT_EQ(here.exitCode, 0) << here.err;
  removeInstall();

  const RunResult there = runInChroot(exe_, kSilentInstall);
  EXPECT_EQ(there.exitCode, 0) << there.err;
  EXPECT_TRUE(fs::exists(box_.localDataDir() + "/Frameworks/Kavex ZEL.framework"));
  EXPECT_TRUE(fs::exists(box_.userDataDir() + "/Kavex ZEL Applications/Sample/app.txt"));
  EXPECT_EQ(records(there), records(here));
}

// Below the floor (here a system without GLib), opened from its desktop entry: the user reads
// what is missing in the first dialog tool found, not nothing.
class BelowTheFloor : public ReceiverMachine {
 protected:
  void SetUp() override { prepare({"bookworm"}); }
};

TEST_F(BelowTheFloor, TheDesktopEntrySaysWhatIsMissingInADialog) {
  box_.dir().write("bin/zenity",
                   "#!/bin/sh\nprintf '%s\\n' \"$@\" >" + box_.root() + "/zenity.txt\n");
  fs::permissions(box_.root() + "/bin/zenity", fs::perms::owner_all);
  box_.setEnv("PATH", box_.root() + "/bin:/usr/bin:/bin");
  const std::string entry = testsupport::readFile(box_.root() + "/Install Sample.desktop");
  const std::size_t exec = entry.find("\nExec=") + 6;
  const std::string command = entry.substr(exec, entry.find('\n', exec) - exec);

  const RunResult r = runInChroot("/bin/sh", {"-c", "exec " + command});
  EXPECT_EQ(r.exitCode, 127);
  const std::string message = "Install Sample cannot start on this system: " + box_.root() +
                              "/Install Sample.app/Contents/MacOS/Install Sample: error while "
                              "loading shared libraries: lib";
  EXPECT_EQ(r.err.rfind(message, 0), 0u) << r.err;
  EXPECT_NE(r.err.find("glibc 2.31 and GLib 2.66"), std::string::npos) << r.err;
  EXPECT_EQ(testsupport::readFile(box_.root() + "/zenity.txt"),
            "--error\n--no-markup\n--title=Install Sample\n--text=" + r.err);
  EXPECT_TRUE(r.log.empty());
  EXPECT_TRUE(fs::is_empty(box_.tmpDir())) << "the loader's message was in a private file";
}

INSTANTIATE_TEST_SUITE_P(
    Receivers, Portable,
    ::testing::Values(Receiver{"Debian11Gtk", {"bullseye", "libgtk-3-0"}},
                      Receiver{"Debian12GlibOnly", {"bookworm", "libglib2.0-0"}},
                      Receiver{"Debian12WithoutPlist",
                               {"bookworm", "libgtk-3-0", "libcurl4", "libssl3"}},
                      Receiver{"Debian13Gtk", {"trixie", "libgtk-3-0"}}),
    [](const ::testing::TestParamInfo<Receiver>& info) { return info.param.name; });

}  // namespace
