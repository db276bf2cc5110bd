#include "E2eSandbox.h"

#include <glib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "BackgroundRun.h"
#include "HttpServer.h"
#include "ScopedEnv.h"
#include "Xvfb.h"
#include "libinstall/LibInstall.h"
#include "platform/Task.h"

namespace testsupport {
namespace fs = std::filesystem;

bool logged(const RunResult& result, const std::string& line) {
  const std::vector<std::string> lines = logTexts(result.log);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

E2eSandbox::E2eSandbox() {
  for (const char* folder :
       {"home/.local/share", "tmp", "local-share", "usr-share", "work", "etc-xdg"}) {
    dir_.make(folder);
  }
  env_ = {
      {"PATH", "/usr/local/bin:/usr/bin:/bin"},
      {"HOME", root() + "/home"},
      {"TMPDIR", tmpDir()},
      {"XDG_DATA_HOME", userDataDir()},
      {"XDG_DATA_DIRS", localDataDir() + ":" + systemDataDir()},
      {"XDG_CONFIG_HOME", root() + "/home/.config"},
      {"XDG_CONFIG_DIRS", systemConfigDir()},
      {"XDG_CACHE_HOME", root() + "/home/.cache"},
      {"LANGUAGE", "en"},
      // Nothing listens there: a download that a test did not arrange fails at once.
      {"MOORSTEP_DOWNLOAD_HOST", "127.0.0.1:1"},
      {"LD_PRELOAD", MOORSTEP_SYSLOG_SHIM},
      {"ASAN_OPTIONS", "verify_asan_link_order=0"},
  };
}

std::string E2eSandbox::makeBundle(const std::string& name,
                                   const std::optional<std::string>& version,
                                   const std::optional<std::string>& executable) {
  std::string app = dir_.make("src/" + name + "-app");
  dir_.write("src/" + name + "-app/app.txt", "a packaged application\n");
  std::vector<std::string> argv = {MOORSTEP_MAKE_BUNDLE,
                                   "--executable",
                                   executable.value_or(MOORSTEP_EXE),
                                   "--app",
                                   app,
                                   "--name",
                                   name,
                                   "--out",
                                   root()};
  if (version) argv.insert(argv.end(), {"--version", *version});
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  gint status = 0;
  if (!g_spawn_sync(nullptr, raw.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                    nullptr, nullptr, &status, nullptr) ||
      !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("make-bundle failed");
  }
  return root() + "/" + name + ".app/Contents/MacOS/" + name;
}

std::string E2eSandbox::writePolicy(const std::string& text) {
  dir_.make("etc-xdg/moorstep");
  return dir_.write("etc-xdg/moorstep/moorstep.conf", text);
}

void E2eSandbox::fakeKernelRelease(const std::string& release) {
  env_["LD_PRELOAD"] = std::string(MOORSTEP_SYSLOG_SHIM) + " " + MOORSTEP_UNAME_SHIM;
  env_["MOORSTEP_FAKE_KERNEL_RELEASE"] = release;
}

std::pair<std::string, std::string> E2eSandbox::downloadPaths() {
  constexpr char kHost[] = "host.test";
  ScopedEnv env({"MOORSTEP_DOWNLOAD_HOST"});
  env.set("MOORSTEP_DOWNLOAD_HOST", kHost);
  char installer[512], signature[512];
  if (!install::getBootstrapperDownloadUrls(installer, sizeof installer, signature,
                                            sizeof signature)) {
    throw std::runtime_error("no download address for this machine");
  }
  const std::size_t prefix = std::string("http://").size() + sizeof kHost - 1;
  return {std::string(installer).substr(prefix), std::string(signature).substr(prefix)};
}

std::pair<std::string, std::string> E2eSandbox::downloadFrom(const HttpServer& server,
                                                             const std::string& www) {
  setEnv("MOORSTEP_DOWNLOAD_HOST", server.host());
  setEnv("http_proxy", server.url(""));
  setEnv("no_proxy", "127.0.0.1");
  std::pair<std::string, std::string> paths = downloadPaths();
  fs::create_directories(fs::path(www + paths.first).parent_path());
  return paths;
}

int E2eSandbox::signInstaller(const std::string& installer, const std::string& signature,
                              const std::string& signer, const std::string& pki) {
  const std::string from = pki.empty() ? MOORSTEP_TEST_PKI : pki;
  return platform::Task::launchAndWait(
      MOORSTEP_SIGN_INSTALLER,
      {"--signer", from + "/" + signer + ".pem", "--key", from + "/" + signer + ".key", "--chain",
       from + "/intermediate.pem", "--in", installer, "--out", signature});
}

void E2eSandbox::setEnv(const std::string& name, std::optional<std::string> value) {
  env_[name] = std::move(value);
}

void E2eSandbox::useDesktop(const Xvfb& xvfb) {
  setEnv("DISPLAY", xvfb.display());
  setEnv("DBUS_SESSION_BUS_ADDRESS", xvfb.busAddress());
}

std::vector<std::string> E2eSandbox::environment(const std::string& logPath) const {
  std::vector<std::string> envStrings = {"MOORSTEP_SYSLOG_CAPTURE=" + logPath};
  for (const auto& [name, value] : env_) {
    if (value) envStrings.push_back(name + "=" + *value);
  }
  return envStrings;
}

std::unique_ptr<BackgroundRun> E2eSandbox::start(const std::string& executable,
                                                 const std::vector<std::string>& args,
                                                 const StartOptions& options,
                                                 const std::vector<std::string>& launcher) {
  const std::string run = std::to_string(++runs_);
  std::vector<std::string> argv = launcher;
  argv.push_back(executable);
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string logPath = root() + "/syslog-" + run + ".txt";
  return std::make_unique<BackgroundRun>(std::move(argv), environment(logPath), root() + "/work",
                                         logPath, root() + "/stderr-" + run + ".txt", options);
}

RunResult E2eSandbox::run(const std::string& executable, const std::vector<std::string>& args,
                          const std::optional<std::string>& argv0) {
  const std::string logPath = root() + "/syslog-" + std::to_string(++runs_) + ".txt";
  std::vector<std::string> envStrings = environment(logPath);
  // With G_SPAWN_FILE_AND_ARGV_ZERO the first entry is the file to run and the second is the
  // program path that the child sees as its own.
  std::vector<std::string> argvStrings = {executable, argv0.value_or(executable)};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());

  std::vector<char*> argv, envp;
  for (auto& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  gchar* out = nullptr;
  gchar* err = nullptr;
  gint status = 0;
  GError* error = nullptr;
  const std::string work = root() + "/work";
  RunResult result;
  if (!g_spawn_sync(work.c_str(), argv.data(), envp.data(), G_SPAWN_FILE_AND_ARGV_ZERO, nullptr,
                    nullptr, &out, &err, &status, &error)) {
    std::string message = error ? error->message : "spawn failed";
    g_clear_error(&error);
    throw std::runtime_error(message);
  }
  result.out = out ? out : "";
  result.err = err ? err : "";
  g_free(out);
  g_free(err);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.log = readLogRecords(logPath);
  return result;
}

}  // namespace testsupport
