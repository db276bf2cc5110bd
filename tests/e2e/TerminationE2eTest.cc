#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "BackgroundRun.h"
#include "E2eSandbox.h"
#include "HttpServer.h"
#include "TempDir.h"
#include "platform/PrivateFolder.h"
#include "platform/Task.h"

namespace {
namespace fs = std::filesystem;
using testsupport::BackgroundRun;
using testsupport::E2eSandbox;
using testsupport::RunResult;
using testsupport::StartOptions;
using Strings = std::vector<std::string>;

using testsupport::kMessage0;
const std::string kPki = MOORSTEP_TEST_PKI;
const std::string kMessage1 = "Something went wrong";
const std::string kMessage6 = "Unable to validate the downloaded version of Kavex ZEL.";
const std::string kInheritedState = "INT default\nTERM default\nHUP default\nPIPE default\n";
constexpr char kCtrlC[] = "\x03";

bool contains(const Strings& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

enum class Phase {
  kInstallerBody,
  kSignature,
  kRevocationLists,
  kMessage,
  kInstallerRunning,
  kAppInstallerRunning
};
enum class Mode { kSilent, kInteractive, kTerminal, kTerminalStderrToFile };

// A run stopped at one phase, then a signal sent to the program or keys typed at its terminal.
struct Case {
  const char* name;
  Phase phase;
  Mode mode;
  int signal;        // 0: none
  const char* keys;  // typed at the terminal, or nullptr
  int exitCode;
  const char* installerSignals = "";  // what the running installer received, one a line
  bool cancelled = false;             // ended as a cancelled download, with message 0
};

// The chain against the test's own server, as in the chain tests, with a runtime installer that
// records what it inherits and receives. Each phase can be held open on the server.
class Termination : public ::testing::Test {
 protected:
  Termination()
      : exe_(box_.makeBundle()),
        www_(box_.dir().make("www")),
        server_(www_),
        record_(box_.dir().make("record")) {
    box_.setEnv("MOORSTEP_RECORDING_DIR", record_);
    std::tie(installerPath_, signaturePath_) = box_.downloadFrom(server_, www_);
    for (const char* crl : {"intermediate", "root"}) {
      fs::copy_file(kPki + "/crl/" + crl + "-empty.crl", www_ + "/" + crl + ".crl");
    }
    serveSigned(MOORSTEP_RECORDING_INSTALLER);
  }

  void serveSigned(const std::string& installer) {
    fs::copy_file(installer, www_ + installerPath_, fs::copy_options::overwrite_existing);
    ASSERT_EQ(E2eSandbox::signInstaller(www_ + installerPath_, www_ + signaturePath_), 0);
  }
  // The served files whose bodies wait for release().
  Strings holdsFor(Phase phase) const {
    switch (phase) {
      case Phase::kInstallerBody:
        return {www_ + installerPath_ + ".hold"};
      case Phase::kSignature:
        return {www_ + signaturePath_ + ".hold"};
      case Phase::kRevocationLists:
        return {www_ + "/intermediate.crl.hold", www_ + "/root.crl.hold"};
      default:
        return {};
    }
  }
  void hold(Phase phase) const {
    for (const std::string& marker : holdsFor(phase)) std::ofstream{marker};
  }
  void release(Phase phase) const {
    for (const std::string& marker : holdsFor(phase)) fs::remove(marker);
  }
  // Waits until the run has reached phase, with its files created where there are any.
  bool reached(BackgroundRun& run, Phase phase) const {
    switch (phase) {
      case Phase::kInstallerBody:
        return run.waitForLog("Download destination is", 1);
      case Phase::kSignature:
        return run.waitForLog("Download destination is", 2);
      case Phase::kRevocationLists:
        return run.waitForLog("Download destination is", 3);
      case Phase::kMessage:
        return run.waitForOutput("[OK]");
      case Phase::kInstallerRunning:
      case Phase::kAppInstallerRunning:
        return run.waitForLog("Launching subprocess") && waitForFile(record_ + "/started");
    }
    return false;
  }
  static bool waitForFile(const std::string& path) {
    for (int i = 0; i < 2000 && !fs::exists(path); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return fs::exists(path);
  }
  // The sample runtime, installed, with the recording program as its Application Installer.
  void installRuntimeWithRecordingAppInstaller() {
    ASSERT_EQ(platform::Task::launchAndWait(MOORSTEP_SAMPLE_RUNTIME_INSTALLER,
                                            {"--install-framework", box_.localDataDir()}),
              0);
    fs::copy_file(MOORSTEP_RECORDING_INSTALLER,
                  box_.localDataDir() +
                      "/Frameworks/Kavex ZEL.framework/Versions/1.0/Kavex ZEL Application "
                      "Installer.app/Contents/MacOS/Kavex ZEL Application Installer",
                  fs::copy_options::overwrite_existing);
  }
  std::unique_ptr<BackgroundRun> start(Mode mode, const Strings& launcher = {}) {
    StartOptions options;
    options.terminal = mode == Mode::kTerminal || mode == Mode::kTerminalStderrToFile;
    options.stderrToFile = mode == Mode::kTerminalStderrToFile;
    return box_.start(exe_,
                      mode == Mode::kSilent ? Strings{"-silent", "-allowDownload"} : Strings{},
                      options, launcher);
  }
  bool installerStarted() const { return fs::exists(record_ + "/started"); }
  std::string record(const std::string& name) const {
    return testsupport::readFile(record_ + "/" + name);
  }
  void clearRecord() const {
    for (const auto& entry : fs::directory_iterator(record_)) fs::remove(entry.path());
  }
  bool tmpIsEmpty() const { return fs::is_empty(box_.tmpDir()); }

  E2eSandbox box_;
  std::string exe_;
  std::string www_;
  testsupport::HttpServer server_;
  std::string record_;
  std::string installerPath_, signaturePath_;
};

TEST_F(Termination, EveryPhaseEndsCleanlyOnASignalOrAKey) {
  const Case cases[] = {
      {"TERM during the installer body, silent", Phase::kInstallerBody, Mode::kSilent, SIGTERM,
       nullptr, 128 + SIGTERM},
      {"Ctrl-C during the installer body is Cancel", Phase::kInstallerBody, Mode::kInteractive,
       SIGINT, nullptr, 11, "", true},
      {"HUP during the signature", Phase::kSignature, Mode::kInteractive, SIGHUP, nullptr,
       128 + SIGHUP},
      {"Ctrl-C during the revocation lists is Cancel", Phase::kRevocationLists, Mode::kInteractive,
       SIGINT, nullptr, 11, "", true},
      {"INT during the revocation lists of a silent run", Phase::kRevocationLists, Mode::kSilent,
       SIGINT, nullptr, 128 + SIGINT},
      {"TERM at a message", Phase::kMessage, Mode::kTerminal, SIGTERM, nullptr, 128 + SIGTERM},
      {"Ctrl-C at a message", Phase::kMessage, Mode::kTerminal, 0, kCtrlC, 128 + SIGINT},
      {"Enter at a message", Phase::kMessage, Mode::kTerminal, 0, "\n", 13},
      {"TERM while the installer runs", Phase::kInstallerRunning, Mode::kSilent, SIGTERM, nullptr,
       128 + SIGTERM, "TERM\n"},
      {"HUP while the installer runs", Phase::kInstallerRunning, Mode::kInteractive, SIGHUP,
       nullptr, 128 + SIGHUP, "HUP\n"},
      {"Ctrl-C at the terminal reaches the installer once", Phase::kInstallerRunning,
       Mode::kTerminal, 0, kCtrlC, 128 + SIGINT, "INT\n"},
      {"TERM while the Application Installer runs", Phase::kAppInstallerRunning, Mode::kSilent,
       SIGTERM, nullptr, 128 + SIGTERM, "TERM\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clearRecord();
    if (c.phase == Phase::kMessage) {
      std::ofstream(www_ + installerPath_, std::ios::app) << "tampered";
    }
    if (c.phase == Phase::kAppInstallerRunning) installRuntimeWithRecordingAppInstaller();
    hold(c.phase);
    std::unique_ptr<BackgroundRun> run = start(c.mode);
    ASSERT_TRUE(reached(*run, c.phase));
    if (c.signal) run->signal(c.signal);
    if (c.keys) run->type(c.keys);
    RunResult r = run->finish();
    release(c.phase);
    if (c.phase == Phase::kMessage) serveSigned(MOORSTEP_RECORDING_INSTALLER);
    if (c.phase == Phase::kAppInstallerRunning) fs::remove_all(box_.localDataDir());

    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    const Strings log = testsupport::logTexts(r.log);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Bootstrapper end with exit code " + std::to_string(c.exitCode));
    EXPECT_TRUE(tmpIsEmpty()) << "downloads and the private folder are gone";
    const bool installerPhase =
        c.phase == Phase::kInstallerRunning || c.phase == Phase::kAppInstallerRunning;
    EXPECT_EQ(installerStarted(), installerPhase);
    if (installerPhase) {
      EXPECT_EQ(record("started"), kInheritedState);
      EXPECT_EQ(record("signals"), c.installerSignals);
    }
    EXPECT_EQ(contains(log, "Download cancelled"), c.cancelled);
    EXPECT_EQ(r.err.find(kMessage0) != std::string::npos, c.cancelled) << r.err;
    if (c.cancelled) {
      EXPECT_FALSE(contains(log, "Detached signature verified"));
    }
    if (c.phase == Phase::kMessage) {
      EXPECT_NE(r.err.find(kMessage6), std::string::npos);
    }
  }
}

TEST_F(Termination, AMessageWaitsForEnterOnlyWhenItsOutputIsATerminalToo) {
  std::ofstream(www_ + installerPath_, std::ios::app) << "tampered";
  std::unique_ptr<BackgroundRun> run = start(Mode::kTerminalStderrToFile);
  RunResult r = run->finish(std::chrono::seconds(10));
  EXPECT_EQ(r.exitCode, 13);
  EXPECT_NE(r.err.find(kMessage6), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("[OK]"), std::string::npos) << "no prompt nobody sees";
}

TEST_F(Termination, ASignalIgnoredAtStartStaysIgnoredInEveryPhaseAndForTheInstaller) {
  std::unique_ptr<BackgroundRun> run;
  for (Phase phase : {Phase::kInstallerBody, Phase::kSignature, Phase::kRevocationLists}) {
    hold(phase);
  }
  run = start(Mode::kSilent, {"/usr/bin/nohup"});
  for (Phase phase : {Phase::kInstallerBody, Phase::kSignature, Phase::kRevocationLists,
                      Phase::kInstallerRunning}) {
    ASSERT_TRUE(reached(*run, phase));
    run->signal(SIGHUP);
    release(phase);
  }
  std::ofstream(record_ + "/release");
  RunResult r = run->finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(testsupport::logTexts(r.log).back(), "Bootstrapper end with exit code 0");
  EXPECT_TRUE(fs::exists(record_ + "/installed"));
  EXPECT_EQ(record("started"), "INT default\nTERM default\nHUP ignored\nPIPE default\n");
  EXPECT_EQ(record("signals"), "");
  EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Termination, AnInstallerThatCannotStartShowsMessage1AndEndsWithItsCode) {
  testsupport::TempDir dir;
  serveSigned(dir.write("not-a-program", "plain text, no interpreter line\n"));
  RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 126);
  EXPECT_NE(r.err.find(kMessage1), std::string::npos) << r.err;
  const Strings log = testsupport::logTexts(r.log);
  EXPECT_TRUE(contains(log, "Subprocess Runtime Installer failed (126)"));
  EXPECT_EQ(log.back(), "Bootstrapper end with exit code 126");
  EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Termination, AKilledRunsInstallerKeepsItsFolderUntilTheInstallerEnds) {
  std::unique_ptr<BackgroundRun> run = start(Mode::kSilent);
  ASSERT_TRUE(reached(*run, Phase::kInstallerRunning));
  const Strings folders = [&] {
    Strings names;
    for (const auto& entry : fs::directory_iterator(box_.tmpDir())) {
      names.push_back(entry.path().string());
    }
    return names;
  }();
  ASSERT_EQ(folders.size(), 1u);
  run->signal(SIGKILL);
  EXPECT_EQ(run->finish().exitCode, 128 + SIGKILL);

  // A later run sweeps the temporary folder, then fails its own verification.
  std::ofstream(www_ + installerPath_, std::ios::app) << "tampered";
  EXPECT_EQ(box_.run(exe_, {"-silent", "-allowDownload"}).exitCode, 13);
  EXPECT_TRUE(fs::exists(folders[0])) << "the installer still runs from there";
  EXPECT_EQ(record("installed"), "");

  std::ofstream{record_ + "/release"};
  ASSERT_TRUE(waitForFile(record_ + "/installed"));
  // Once the installer has gone, its folder is a killed run's like any other.
  for (int i = 0; i < 400 && fs::exists(folders[0]); ++i) {
    platform::PrivateFolder::removeAbandoned(box_.tmpDir());
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_FALSE(fs::exists(folders[0]));
}

// A run that cannot have the descriptors it needs says so and ends before it makes anything; a
// soft limit below what a run needs is raised when the hard limit allows it.
TEST_F(Termination, TooFewDescriptorsEndTheRunWith11AndLeaveNothing) {
  struct Row {
    const char* limit;  // prlimit's soft:hard
    Strings args;
    int exitCode;
    bool installed;
    const char* out = "";
  };
  const Row rows[] = {
      {"4:4", {"-silent", "-allowDownload"}, 11, false},
      {"8:8", {"-silent", "-allowDownload"}, 11, false},
      {"8:4096", {"-silent", "-allowDownload"}, 0, true},
      {"4:4", {"-version"}, 0, false, "3.2.0.2060\n"},
  };
  std::ofstream{record_ + "/release"};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.limit + (" " + row.args[0]));
    if (testsupport::kSanitized && std::string(row.limit) == "4:4") continue;
    fs::remove(record_ + "/installed");
    RunResult r =
        box_.start(exe_, row.args, {}, {"/usr/bin/prlimit", "--nofile=" + std::string(row.limit)})
            ->finish();
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(fs::exists(record_ + "/installed"), row.installed);
    EXPECT_TRUE(tmpIsEmpty());
    const Strings log = testsupport::logTexts(r.log);
    if (row.exitCode == 11) {
      EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.starts_with("Too few file descriptors: at most ");
      })) << r.err;
      EXPECT_EQ(log.empty() ? "" : log.back(), "Bootstrapper end with exit code 11");
    }
  }
}

// Verifying a large installer takes a while in one piece of work; a signal during it acts
// before the revocation phase begins.
TEST_F(Termination, ASignalDuringTheVerificationOfALargeInstallerActsAtOnce) {
  testsupport::TempDir dir;
  const std::string large = dir.path() + "/large";
  {
    std::ofstream out(large);
    out << "#!/bin/sh\nexit 0\n";
  }
  fs::resize_file(large, 128u << 20);
  serveSigned(large);
  std::unique_ptr<BackgroundRun> run = start(Mode::kInteractive);
  ASSERT_TRUE(run->waitForLog("Download success", 2));
  run->signal(SIGINT);
  RunResult r = run->finish();
  EXPECT_EQ(r.exitCode, 128 + SIGINT) << "no Cancel is offered while verifying";
  const Strings log = testsupport::logTexts(r.log);
  EXPECT_EQ(log.back(), "Bootstrapper end with exit code 130");
  EXPECT_FALSE(contains(log, "Begin cert chain validation"));
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& line) {
    return line.starts_with("Begin crl download");
  })) << "the signal acted during the verification, not after it";
  EXPECT_FALSE(installerStarted());
  EXPECT_TRUE(tmpIsEmpty());
}

// A copy from a folder source is read piece by piece: a signal during it acts at once, however
// long the whole copy would take.
TEST_F(Termination, ASignalDuringTheCopyFromAFolderSourceActsAtOnce) {
  const std::string source = box_.dir().make("source");
  const std::string installer = source + installerPath_;
  fs::create_directories(fs::path(installer).parent_path());
  std::ofstream(installer).close();
  fs::resize_file(installer, 1u << 30);
  box_.writePolicy("[Download]\nSources=file://" + source + "\n");
  std::unique_ptr<BackgroundRun> run = start(Mode::kSilent);
  ASSERT_TRUE(run->waitForLog("Download destination is"));
  const auto sent = std::chrono::steady_clock::now();
  run->signal(SIGTERM);
  RunResult r = run->finish();
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
  EXPECT_EQ(r.exitCode, 128 + SIGTERM);
  EXPECT_TRUE(tmpIsEmpty());
}

}  // namespace
