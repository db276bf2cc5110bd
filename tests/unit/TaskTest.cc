#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/NetworkAddress.h"
#include "platform/OpenFile.h"
#include "platform/PrivateFolder.h"
#include "platform/Scanner.h"
#include "platform/SearchPaths.h"
#include "platform/Task.h"

namespace {
using platform::Task;
using testsupport::TempDir;

std::string script(const TempDir& dir, const std::string& name, const std::string& body,
                   mode_t mode = 0755) {
  std::string path = dir.write(name, "#!/bin/sh\n" + body);
  chmod(path.c_str(), mode);
  return path;
}

TEST(Task, ReportsExitStatusSignalsAndFilesThatCannotStart) {
  TempDir dir;
  const std::string out = dir.path() + "/args";
  const std::string echo =
      script(dir, "echo", "{ printf '%s|' \"$0\" \"$@\"; echo; echo \"$PWD\"; } > \"$OUT\"\n");
  setenv("OUT", out.c_str(), 1);
  EXPECT_EQ(Task::launchAndWait(echo, {"a b", "", "-x1", "*"}), 0);
  unsetenv("OUT");
  std::ifstream in(out);
  std::string line, cwd;
  std::getline(in, line);
  std::getline(in, cwd);
  EXPECT_EQ(line, echo + "|a b||-x1|*|") << "no shell between us and the arguments";
  char here[4096];
  EXPECT_EQ(cwd, getcwd(here, sizeof here));

  EXPECT_EQ(Task::launchAndWait(script(dir, "seven", "exit 7\n"), {}), 7);
  EXPECT_EQ(Task::launchAndWait(script(dir, "killed", "kill -TERM $$\n"), {}), 128 + SIGTERM);
  EXPECT_EQ(Task::launchAndWait(dir.path() + "/missing", {}), 127);
  EXPECT_EQ(Task::launchAndWait(dir.path() + "/missing-dir/x", {}), 127);
  EXPECT_EQ(Task::launchAndWait(script(dir, "not-executable", "exit 0\n", 0644), {}), 126);
  std::string garbage = dir.write("garbage2", "just text, no interpreter line");
  chmod(garbage.c_str(), 0755);
  EXPECT_EQ(Task::launchAndWait(garbage, {}), 126);
  EXPECT_EQ(Task::launchAndWait(dir.path(), {}), 126) << "a folder";

  // Through an open file, the name only shows in argv[0].
  for (const auto& [file, status] : {std::pair{dir.path() + "/seven", 7},
                                     {garbage, 126},
                                     {script(dir, "empty", "", 0755), 0},
                                     {dir.write("lost", "#!/nonexistent\n"), 127}}) {
    chmod(file.c_str(), 0755);
    const std::optional<platform::OpenFile> opened = platform::OpenFile::open(file);
    ASSERT_TRUE(opened);
    Task task(dir.path() + "/elsewhere", {});
    task.setExecutableFile(opened->descriptor());
    task.launch();
    EXPECT_EQ(task.waitUntilExit(), status) << file;
  }

  // Started by a parent that ignores SIGCHLD, the kernel would reap the child unasked.
  signal(SIGCHLD, SIG_IGN);
  EXPECT_EQ(Task::launchAndWait(dir.path() + "/seven", {}), 7) << "a failure is never a success";
  signal(SIGCHLD, SIG_DFL);
}

TEST(Scanner, SkipsWhiteSpaceTakesSignsAndClampsLikeTheDesktopScanner) {
  platform::Scanner s(" 3 . -2\t.+0.\n2060 beta");
  int a = 0, b = 0, c = 0, d = 0;
  EXPECT_TRUE(s.scanInt(a) && s.scanString(".") && s.scanInt(b) && s.scanString(".") &&
              s.scanInt(c) && s.scanString(".") && s.scanInt(d));
  EXPECT_EQ(std::vector<int>({a, b, c, d}), std::vector<int>({3, -2, 0, 2060}));
  platform::Scanner big("99999999999 -99999999999");
  EXPECT_TRUE(big.scanInt(a));
  EXPECT_EQ(a, INT_MAX);
  EXPECT_TRUE(big.scanInt(a));
  EXPECT_EQ(a, INT_MIN);
  platform::Scanner none("x1");
  a = 42;
  EXPECT_FALSE(none.scanInt(a));
  EXPECT_EQ(a, 42);
  EXPECT_FALSE(platform::Scanner("+").scanInt(a));
  EXPECT_FALSE(platform::Scanner("").scanString("."));
}

TEST(SearchPaths, XdgFoldersWithTheirDefaultsAndOnlyAbsoluteEntries) {
  testsupport::ScopedEnv saved({"XDG_DATA_DIRS", "XDG_DATA_HOME", "HOME", "TMPDIR"});
  setenv("XDG_DATA_DIRS", "/a:relative::/b/", 1);
  EXPECT_EQ(platform::libraryDirectories(), (std::vector<std::string>{"/a", "/b/"}));
  setenv("XDG_DATA_DIRS", "", 1);
  EXPECT_EQ(platform::libraryDirectories(),
            (std::vector<std::string>{"/usr/local/share", "/usr/share"}));
  unsetenv("XDG_DATA_DIRS");
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_DATA_HOME", "relative", 1);
  EXPECT_EQ(platform::userApplicationSupportDirectory(), "/home/someone/.local/share");
  setenv("XDG_DATA_HOME", "/data", 1);
  EXPECT_EQ(platform::userApplicationSupportDirectory(), "/data");
  unsetenv("XDG_DATA_HOME");
  setenv("TMPDIR", "/scratch", 1);
  EXPECT_EQ(platform::temporaryDirectory(), "/scratch");
  unsetenv("TMPDIR");
  EXPECT_EQ(platform::temporaryDirectory(), "/tmp");
  unsetenv("HOME");
  EXPECT_FALSE(platform::homeDirectory().empty()) << "from the password database";
}

TEST(NetworkAddress, LoopbackAndInwardRangesInBothFamilies) {
  using platform::NetworkAddress;
  const struct {
    const char* address;
    bool loopback;
    bool inward;
  } cases[] = {
      {"127.0.0.1", true, true},
      {"127.255.0.9", true, true},
      {"[::1]", true, true},
      {"::ffff:127.0.0.2", true, true},
      {"0.0.0.0", false, true},
      {"::", false, true},
      {"10.1.2.3", false, true},
      {"172.16.0.1", false, true},
      {"172.31.255.255", false, true},
      {"192.168.1.1", false, true},
      {"169.254.169.254", false, true},
      {"fe80::1%eth0", false, true},
      {"fd00::1", false, true},
      {"[::ffff:10.0.0.1]", false, true},
      {"172.32.0.1", false, false},
      {"192.0.2.1", false, false},
      {"11.0.0.1", false, false},
      {"2001:db8::1", false, false},
      {"localhost", false, false},
      {"127.1", false, false},
      {"", false, false},
      {"[]", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NetworkAddress::isLoopback(c.address), c.loopback) << c.address;
    EXPECT_EQ(NetworkAddress::isInward(c.address), c.inward) << c.address;
  }
}

TEST(PrivateFolder, ATemporaryFolderThatOthersCouldRenameInIsPassedOver) {
  testsupport::ScopedEnv saved({"TMPDIR", "XDG_CACHE_HOME"});
  TempDir dir;
  setenv("XDG_CACHE_HOME", (dir.path() + "/cache").c_str(), 1);
  const std::string cache = dir.path() + "/cache/moorstep";
  const std::string tmp = dir.make("tmp");
  setenv("TMPDIR", tmp.c_str(), 1);
  const struct {
    mode_t mode;
    uid_t owner;
    bool used;
  } cases[] = {
      {0700, geteuid(), true},  {01777, geteuid(), true}, {01770, geteuid(), true},
      {0755, geteuid(), true},  {0777, geteuid(), false}, {0770, geteuid(), false},
      {0707, geteuid(), false}, {0755, 65534, false},     {01777, 65534, false},
  };
  for (const auto& c : cases) {
    if (c.owner != geteuid() && geteuid() != 0) continue;  // only root can give a folder away
    ASSERT_EQ(chown(tmp.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chmod(tmp.c_str(), c.mode), 0);
    EXPECT_EQ(platform::PrivateFolder::parentCandidates().front(), c.used ? tmp : cache)
        << std::oct << c.mode << " owned by " << std::dec << c.owner;
  }
}

// A folder made just before the descriptors ran out is taken away again, not left under the
// hidden name that no later run sweeps.
TEST(PrivateFolder, AFolderThatCannotBeLockedIsRemoved) {
  testsupport::ScopedEnv saved({"TMPDIR", "XDG_CACHE_HOME"});
  TempDir dir;
  const std::string tmp = dir.make("tmp");
  setenv("TMPDIR", tmp.c_str(), 1);
  setenv("XDG_CACHE_HOME", dir.make("cache").c_str(), 1);
  struct rlimit limit {};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  struct rlimit exhausted = limit;
  exhausted.rlim_cur = static_cast<rlim_t>(dup(0));
  close(static_cast<int>(exhausted.rlim_cur));
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &exhausted), 0);
  const bool made = platform::PrivateFolder::make().has_value();
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
  EXPECT_FALSE(made);
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() + "/cache/moorstep"));
}

}  // namespace
