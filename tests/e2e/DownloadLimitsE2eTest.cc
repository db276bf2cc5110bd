#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "E2eSandbox.h"
#include "HttpServer.h"
#include "platform/Task.h"

namespace {
namespace fs = std::filesystem;
using testsupport::E2eSandbox;
using testsupport::logged;
using testsupport::RunResult;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

using testsupport::kMessage0;
const std::string kMessage5 = "Unable to download Kavex ZEL. Make sure that you\u2019re connected";
const std::string kPki = MOORSTEP_TEST_PKI;
constexpr long long kMiB = 1 << 20;

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The line that names where the installer went, without its prefix.
std::string destination(const RunResult& r) {
  const std::string prefix = "Download destination is ";
  for (const std::string& line : testsupport::logTexts(r.log)) {
    if (line.starts_with(prefix)) return line.substr(prefix.size());
  }
  return {};
}

// Where the download goes and how much a hostile host can make a run store, against the whole
// chain on a server of the test's own (revocation lists through the proxy variables).
class DownloadLimits : public ::testing::Test {
 protected:
  DownloadLimits() : exe_(box_.makeBundle()), www_(box_.dir().make("www")), server_(www_) {
    std::tie(installerPath_, signaturePath_) = box_.downloadFrom(server_, www_);
    fs::copy_file(kPki + "/crl/intermediate-empty.crl", www_ + "/intermediate.crl");
    fs::copy_file(kPki + "/crl/root-empty.crl", www_ + "/root.crl");
    fs::copy_file(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, www_ + installerPath_);
    EXPECT_EQ(E2eSandbox::signInstaller(www_ + installerPath_, www_ + signaturePath_), 0);
  }

  // The server answers requests for path with one of its misbehaving routes.
  void route(const std::string& path, const std::string& to) {
    box_.dir().write("www" + path + ".route", to);
  }
  bool runtimeInstalled(const E2eSandbox& box) const {
    return fs::exists(box.localDataDir() + "/Frameworks/Kavex ZEL.framework");
  }
  std::size_t requestsFor(const std::string& path) const {
    const Strings requests = server_.requests();
    return static_cast<std::size_t>(std::count(requests.begin(), requests.end(), path));
  }
  void waitForRequest(const std::string& path, std::size_t count = 1) const {
    for (int i = 0; i < 200 && requestsFor(path) < count; ++i) std::this_thread::sleep_for(50ms);
    std::this_thread::sleep_for(300ms);
  }

  E2eSandbox box_;
  std::string exe_;
  std::string www_;
  testsupport::HttpServer server_;
  std::string installerPath_, signaturePath_;
};

TEST_F(DownloadLimits, WithoutAUsableTemporaryFolderDownloadsGoToTheCacheNeverTheHomeFolder) {
  box_.setEnv("TMPDIR", "/nonexistent");
  const std::string home = box_.root() + "/home";
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(runtimeInstalled(box_));
  EXPECT_TRUE(destination(r).starts_with(home + "/.cache/moorstep/moorstep-")) << destination(r);
  EXPECT_EQ(entries(home), (Strings{".cache", ".local"}));
  EXPECT_EQ(entries(home + "/.cache"), (Strings{"moorstep"}));
  EXPECT_TRUE(fs::is_empty(home + "/.cache/moorstep"));
  EXPECT_EQ(fs::status(home + "/.cache/moorstep").permissions(), fs::perms::owner_all);
}

TEST_F(DownloadLimits, WhenNoPrivateFolderCanBeMadeTheRunFailsAndWritesNothing) {
  box_.setEnv("TMPDIR", "/nonexistent");
  const std::string elsewhere = box_.dir().make("elsewhere");
  const std::string cache = box_.root() + "/cache";
  const struct {
    const char* what;
    std::function<void()> arrange;
  } cases[] = {
      {"the cache folder is a file", [&] { box_.dir().write("cache", "x"); }},
      {"its moorstep folder is a link",
       [&] {
         fs::create_directory(cache);
         fs::create_directory_symlink(elsewhere, cache + "/moorstep");
       }},
      {"its moorstep folder is open to others",
       [&] {
         fs::create_directories(cache + "/moorstep");
         fs::permissions(cache + "/moorstep", fs::perms::all);
       }},
  };
  box_.setEnv("XDG_CACHE_HOME", cache);
  for (const auto& c : cases) {
    fs::remove_all(cache);
    c.arrange();
    RunResult r = box_.run(exe_, {});
    EXPECT_EQ(r.exitCode, 11) << c.what;
    EXPECT_NE(r.err.find(kMessage0), std::string::npos) << c.what << ": " << r.err;
    EXPECT_TRUE(logged(r, "No private download folder could be made")) << c.what;
    EXPECT_EQ(entries(box_.root() + "/home"), (Strings{".local"})) << c.what;
    EXPECT_TRUE(fs::is_empty(elsewhere)) << c.what;
  }
}

TEST_F(DownloadLimits, ANoexecTemporaryFolderSendsDownloadsToTheCache) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a noexec tmpfs needs root";
  if (platform::Task::launchAndWait("/usr/bin/unshare", {"-m", "/bin/true"}) != 0) {
    GTEST_SKIP() << "no private mount namespace can be made here (unshare -m fails)";
  }
  // The mount lives only in the run's own mount namespace.
  RunResult r = box_.run(
      "/usr/bin/unshare",
      {"-m", "--propagation", "private", "/bin/sh", "-c",
       "mount -t tmpfs -o noexec,mode=1777 moorstep-noexec \"$TMPDIR\" && exec \"$0\"", exe_});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(runtimeInstalled(box_));
  EXPECT_TRUE(destination(r).starts_with(box_.root() + "/home/.cache/moorstep/moorstep-"))
      << destination(r);
}

TEST_F(DownloadLimits, AKilledRunLeavesItsFolderAndTheNextRunRemovesIt) {
  box_.dir().write("www" + installerPath_ + ".stall", "");
  const std::string cache = box_.root() + "/home/.cache/moorstep";
  // One killed run with a folder in the temporary folder, one with a folder in the cache.
  for (const std::string& tmp : {box_.tmpDir(), std::string("/nonexistent")}) {
    box_.setEnv("TMPDIR", tmp);
    const std::size_t before = requestsFor(installerPath_);
    auto run = std::async(std::launch::async, [&] { return box_.run(exe_, {}); });
    waitForRequest(installerPath_, before + 1);
    platform::Task::launchAndWait("/usr/bin/pkill",
                                  {"-KILL", "-f", box_.root() + "/Install Sample.app"});
    ASSERT_EQ(run.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(run.get().exitCode, 128 + SIGKILL);
  }
  for (const std::string& folder : {box_.tmpDir(), cache}) {
    const Strings left = entries(folder);
    ASSERT_EQ(left.size(), 1u) << folder;
    EXPECT_TRUE(left[0].starts_with("moorstep-")) << left[0];
  }

  fs::remove(www_ + installerPath_ + ".stall");
  box_.setEnv("TMPDIR", box_.tmpDir());
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::is_empty(box_.tmpDir()));
  EXPECT_TRUE(fs::is_empty(cache));
}

TEST_F(DownloadLimits, TwoRunsAtOnceBothSucceedInOneTemporaryFolder) {
  route(installerPath_, "/paced" + installerPath_ + "?seconds=3");
  E2eSandbox other;
  const std::string otherExe = other.makeBundle();
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"TMPDIR", box_.tmpDir()},
                                    {"MOORSTEP_DOWNLOAD_HOST", server_.host()},
                                    {"http_proxy", server_.url("")},
                                    {"no_proxy", "127.0.0.1"}}) {
    other.setEnv(name, value);
  }
  auto first = std::async(std::launch::async, [&] { return box_.run(exe_, {}); });
  waitForRequest(installerPath_);
  // The second run starts while the first one's download is under way, and sweeps.
  auto second = std::async(std::launch::async, [&] { return other.run(otherExe, {}); });
  const RunResult r1 = first.get();
  const RunResult r2 = second.get();
  EXPECT_EQ(r1.exitCode, 0) << r1.err;
  EXPECT_EQ(r2.exitCode, 0) << r2.err;
  EXPECT_EQ(requestsFor(installerPath_), 2u);
  EXPECT_TRUE(runtimeInstalled(box_));
  EXPECT_TRUE(runtimeInstalled(other));
  EXPECT_TRUE(fs::is_empty(box_.tmpDir()));
}

// Built with a 1 MiB installer limit. Each run is held to files of its limit by RLIMIT_FSIZE:
// a run that wrote one byte more would die of SIGXFSZ instead of ending with 11.
TEST_F(DownloadLimits, AHostileHostCannotMakeARunStoreMoreThanItsLimit) {
  const std::string small =
      box_.makeBundle("Install Small", "1.0", std::string(MOORSTEP_SMALL_LIMIT_EXE));
  const struct {
    std::string path;
    std::string to;
    long long fileLimit;
  } cases[] = {
      {installerPath_, "/bomb?mib=64&as=type", kMiB},
      {installerPath_, "/bomb?mib=64&as=encoding", kMiB},
      {installerPath_, "/endless", kMiB},
      {installerPath_, "/declare?length=10737418240", kMiB},
      {signaturePath_, "/files/two-mib", kMiB},
      {"/intermediate.crl", "/endless", 64 * kMiB},
      {"/intermediate.crl", "/declare?length=104857600", 64 * kMiB},
  };
  box_.dir().write("www/two-mib", std::string(2 * kMiB, 's'));
  for (const auto& c : cases) {
    route(c.path, c.to);
    const auto start = std::chrono::steady_clock::now();
    RunResult r = box_.run("/usr/bin/prlimit", {"--fsize=" + std::to_string(c.fileLimit), small});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.exitCode, 11) << c.path << " " << c.to;
    EXPECT_NE(r.err.find(kMessage0), std::string::npos) << c.to << ": " << r.err;
    EXPECT_TRUE(logged(r, "Download failure: resource exceeds maximum size")) << c.to;
    EXPECT_LT(took, 10s) << c.to << ": a declared length over the limit fails at once";
    EXPECT_FALSE(runtimeInstalled(box_));
    EXPECT_TRUE(fs::is_empty(box_.tmpDir())) << c.to;
    fs::remove(www_ + c.path + ".route");
  }
}

// A network that wants a sign-in answers every address with its own page, directly or through a
// redirect: that is a network to connect to, never a signature to judge.
TEST_F(DownloadLimits, AWebPageInsteadOfAFileIsANetworkFailure) {
  box_.dir().write("www/portal.html",
                   "\xef\xbb\xbf\n  <!DOCTYPE html><html><body>Sign in</body></html>");
  const struct {
    std::string path;
    std::string to;
  } cases[] = {
      {installerPath_, "/type/text_html/portal.html"},
      {signaturePath_, "/type/text_html/portal.html"},
      {installerPath_, "/redirect-to?url=/type/text_html%3Bcharset=utf-8/portal.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " " + c.to);
    route(c.path, c.to);
    RunResult r = box_.run(exe_, {});
    EXPECT_EQ(r.exitCode, 11);
    EXPECT_NE(r.err.find(kMessage5), std::string::npos) << r.err;
    EXPECT_TRUE(logged(r,
                       "Download failure: The network answered with a web page instead of the "
                       "file; a sign-in to the network may be needed."));
    EXPECT_EQ(logged(r, "Download success"), c.path == signaturePath_) << "the installer only";
    for (const std::string& line : testsupport::logTexts(r.log)) {
      EXPECT_EQ(line.find("signature v"), std::string::npos) << line;
    }
    EXPECT_TRUE(fs::is_empty(box_.tmpDir()));
    fs::remove(www_ + c.path + ".route");
  }
  // Other text served as a web page is the file itself.
  box_.dir().write("www/portal.html", "not a page");
  route(installerPath_, "/type/text_html/portal.html");
  EXPECT_EQ(box_.run(exe_, {}).exitCode, 13);
}

TEST_F(DownloadLimits, TextFromTheServerAndTheEnvironmentIsLoggedEscaped) {
  // U+202E, ESC, a byte that is not UTF-8, then "installer".
  route(installerPath_,
        "/disposition" + installerPath_ + "?filename_hex=e280ae1bff696e7374616c6c6572");
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string name = fs::path(destination(r)).filename().string();
  EXPECT_EQ(name, "\\u202e\\xffinstaller") << "ESC never reaches a file name";

  fs::remove_all(box_.localDataDir() + "/Frameworks");
  box_.setEnv("MOORSTEP_DOWNLOAD_HOST", "127.0.0.1:1\r\nBootstrapper end with exit code 0\x1b[8m");
  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 11);
  const Strings lines = testsupport::logTexts(r.log);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_TRUE(lines[2].starts_with(
      "Begin runtime download from "
      "http://127.0.0.1:1\\x0d\\x0aBootstrapper end with exit code 0\\x1b[8m/"))
      << lines[2];
  for (const std::string& line : lines) {
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7f; }))
        << line;
  }
}

}  // namespace
