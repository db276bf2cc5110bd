#include "ReceiverMachine.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>

namespace testsupport {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kPki = MOORSTEP_TEST_PKI;
// What debian-chroot exits with when this machine cannot make chroots at all.
constexpr int kNotRoot = 3;
constexpr int kArchiveUnreachable = 4;

bool inCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

std::string cacheFolder() {
  if (const char* cache = std::getenv("MOORSTEP_PORTABLE_CACHE")) return cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME")) {
    return std::string(xdg) + "/moorstep-portable";
  }
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "/root") + "/.cache/moorstep-portable";
}
}  // namespace

ReceiverMachine::ReceiverMachine() : www_(box_.dir().make("www")), server_(www_) {
  box_.setEnv("PATH", "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
  box_.setEnv("MOORSTEP_PORTABLE_CACHE", cacheFolder());
}

void ReceiverMachine::prepare(const std::vector<std::string>& chroot) {
  const RunResult made = box_.run(MOORSTEP_DEBIAN_CHROOT, chroot);
  if (made.exitCode == kNotRoot || made.exitCode == kArchiveUnreachable) {
    if (inCi()) FAIL() << made.err;
    GTEST_SKIP() << made.err;
  }
  ASSERT_EQ(made.exitCode, 0) << made.err;
  chroot_ = made.out.substr(0, made.out.find('\n'));
  exe_ = unpackedBundle();
  std::string signature;
  std::tie(installer_, signature) = box_.downloadFrom(server_, www_);
  fs::copy_file(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, www_ + installer_);
  ASSERT_EQ(E2eSandbox::signInstaller(www_ + installer_, www_ + signature), 0);
  fs::copy_file(kPki + "/crl/intermediate-empty.crl", www_ + "/intermediate.crl");
  fs::copy_file(kPki + "/crl/root-empty.crl", www_ + "/root.crl");
}

std::string ReceiverMachine::unpackedBundle() {
  const std::string app = box_.dir().make("src/Sample");
  box_.dir().write("src/Sample/app.txt", "a packaged application\n");
  const std::string dist = box_.dir().make("dist");
  const std::string archive = box_.root() + "/Install Sample.tar.gz";
  EXPECT_EQ(
      box_.run(MOORSTEP_MAKE_BUNDLE,
               {"--executable", MOORSTEP_PORTABLE_TREE "/Moorstep/moorstep", "--app", app, "--name",
                "Install Sample", "--version", "1.0", "--out", dist, "--archive", archive})
          .exitCode,
      0);
  fs::remove_all(dist);
  box_.dir().make("Downloads");
  EXPECT_EQ(box_.run("/bin/tar", {"-xzf", archive, "-C", unpackedDir()}).exitCode, 0);
  return unpackedDir() + "/Install Sample";
}

std::unique_ptr<BackgroundRun> ReceiverMachine::startInChroot(const std::string& program,
                                                              const std::vector<std::string>& args,
                                                              const DevLogCapture& log, bool x11) {
  box_.setEnv("LD_PRELOAD", std::nullopt);
  std::vector<std::string> launcher = {MOORSTEP_RUN_IN_CHROOT};
  if (x11) launcher.push_back("--x11");
  launcher.insert(launcher.end(), {chroot_, box_.root(), log.path()});
  return box_.start(program, args, {}, launcher);
}

RunResult ReceiverMachine::runInChroot(const std::string& program,
                                       const std::vector<std::string>& args) {
  DevLogCapture log(box_.root() + "/dev-log.sock");
  RunResult result = startInChroot(program, args, log)->finish(120s);
  result.log = log.records();
  return result;
}

std::vector<std::string> ReceiverMachine::records(const RunResult& run) const {
  const std::regex privateFolder(box_.tmpDir() + "/moorstep-[A-Za-z0-9]+/");
  std::vector<std::string> lines;
  for (const LogRecord& record : run.log) {
    lines.push_back(std::to_string(record.priority) + " " +
                    std::regex_replace(record.text, privateFolder, "<private>/"));
  }
  return lines;
}

void ReceiverMachine::removeInstall() {
  fs::remove_all(box_.localDataDir() + "/Frameworks");
  fs::remove_all(box_.userDataDir() + "/Kavex ZEL Applications");
}

}  // namespace testsupport
