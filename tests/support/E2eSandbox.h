#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SyslogCapture.h"
#include "TempDir.h"

namespace testsupport {

class BackgroundRun;
class HttpServer;
class Xvfb;
struct StartOptions;

// The message of a run that ends without a runtime to start.
inline const std::string kMessage0 =
    "This application requires a version of Kavex ZEL which cannot be found.";

// Whether the program under test carries the sanitizers' runtime, which needs /proc and spare
// descriptors of its own: starved of them, a run fails in that runtime, not in the program.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
inline constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
inline constexpr bool kSanitized = false;
#endif

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
  std::vector<LogRecord> log;
};

// Whether the run's log holds line as one of its texts.
bool logged(const RunResult& result, const std::string& line);

// A fresh folder standing for a user's machine: home, temporary folder, data folders, a local
// and a system data folder for installed frameworks. The real executable runs there with a
// clean environment, no display and its system log captured.
class E2eSandbox {
 public:
  E2eSandbox();

  const std::string& root() const { return dir_.path(); }
  const TempDir& dir() const { return dir_; }
  std::string localDataDir() const { return root() + "/local-share"; }
  std::string systemDataDir() const { return root() + "/usr-share"; }
  std::string userDataDir() const { return root() + "/home/.local/share"; }
  std::string tmpDir() const { return root() + "/tmp"; }
  std::string systemConfigDir() const { return root() + "/etc-xdg"; }

  // Writes the administrator's policy file that programs run here read; returns its path.
  std::string writePolicy(const std::string& text);

  // Builds "<name>.app" with the real executable (or another build of it) around a small
  // packaged application; returns the path of the executable inside it.
  std::string makeBundle(const std::string& name = "Install Sample",
                         const std::optional<std::string>& version = "1.0",
                         const std::optional<std::string>& executable = std::nullopt);

  // Environment entries added to (or, with nullopt, removed from) the clean environment.
  void setEnv(const std::string& name, std::optional<std::string> value);
  // Programs run here show their windows on that display and use its session bus.
  void useDesktop(const Xvfb& xvfb);

  // Programs run here see this kernel release (through an LD_PRELOAD shim of uname).
  void fakeKernelRelease(const std::string& release);

  // The paths (after the host) of the runtime installer and its signature that the program
  // asks for on this machine.
  static std::pair<std::string, std::string> downloadPaths();
  // Programs run here download from server, whose folder is www, and reach every other host
  // (the revocation lists' host) through it as their proxy. Makes the installer's folder under
  // www; returns downloadPaths().
  std::pair<std::string, std::string> downloadFrom(const HttpServer& server,
                                                   const std::string& www);
  // Signs installer into signature as signer (a name of pki, by default the test PKI) with
  // pki's intermediate as its chain; the signing tool's exit status.
  static int signInstaller(const std::string& installer, const std::string& signature,
                           const std::string& signer = "good", const std::string& pki = {});

  RunResult run(const std::string& executable, const std::vector<std::string>& args,
                const std::optional<std::string>& argv0 = std::nullopt);
  // The same run in the background, for tests that act on it while it runs. launcher, when
  // given, is a program (such as nohup) that runs the executable.
  std::unique_ptr<BackgroundRun> start(const std::string& executable,
                                       const std::vector<std::string>& args,
                                       const StartOptions& options,
                                       const std::vector<std::string>& launcher = {});

 private:
  // The clean environment with the log capture going to logPath.
  std::vector<std::string> environment(const std::string& logPath) const;

  TempDir dir_;
  std::map<std::string, std::optional<std::string>> env_;
  int runs_ = 0;
};

}  // namespace testsupport
