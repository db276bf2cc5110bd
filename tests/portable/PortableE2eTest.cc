#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ReceiverMachine.h"
#include "TempDir.h"

namespace {
namespace fs = std::filesystem;
using testsupport::ReceiverMachine;
using testsupport::RunResult;
using Strings = std::vector<std::string>;

const Strings kSilentInstall = {"-silent", "-eulaAccepted", "-allowDownload"};

// A receiver's machine: a Debian suite with the packages its user has.
struct Receiver {
  std::string name;
  Strings chroot;  // the suite, then the packages
};

void PrintTo(const Receiver& receiver, std::ostream* out) { *out << receiver.name; }

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

// The desktop entry's command as a desktop runs it: the file format's escapes undone, %k the
// entry's own path.
std::string desktopCommand(const std::string& entryPath) {
  const std::string entry = testsupport::readFile(entryPath);
  const std::size_t exec = entry.find("\nExec=") + 6;
  const std::string line = entry.substr(exec, entry.find('\n', exec) - exec);
  std::string unescaped, command;
  for (std::size_t i = 0; i < line.size(); ++i) {
    unescaped += line[i];
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') ++i;
  }
  for (std::size_t i = 0; i < unescaped.size(); ++i) {
    if (unescaped[i] != '%' || i + 1 == unescaped.size()) {
      command += unescaped[i];
    } else if (unescaped[++i] == 'k') {
      command += "'" + entryPath + "'";
    } else {
      command += unescaped[i];
    }
  }
  return command;
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
  const std::string command = desktopCommand(unpackedDir() + "/Install Sample.desktop");
  const RunResult r = runInChroot("/bin/sh", {"-c", "exec " + command});
  EXPECT_EQ(r.exitCode, 127);
  const std::string message = "Install Sample cannot start on this system: " + unpackedDir() +
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
