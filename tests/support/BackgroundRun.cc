#include "BackgroundRun.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace testsupport {
namespace {
using namespace std::chrono_literals;
constexpr auto kPollInterval = 5ms;

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> raw;
  for (std::string& s : strings) raw.push_back(s.data());
  raw.push_back(nullptr);
  return raw;
}

// In the child between fork and exec: only async-signal-safe calls. The program starts with
// the signal state and the descriptors a login shell would give it.
[[noreturn]] void execChild(char** argv, char** envp, const char* workDir, const char* outPath,
                            const char* errPath, const StartOptions& options) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int n : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(n, SIG_DFL);
  if (!options.terminal) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
  }
  if (!options.terminal || options.stderrToFile) {
    const int err = open(errPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, 2);
  }
  // Nothing of the test's own (a test runner's pipe) reaches the program: the descriptor limit
  // tests count on starting with the three standard ones.
  close_range(3, ~0U, 0);
  if (chdir(workDir) != 0) _exit(126);
  execve(argv[0], argv, envp);
  _exit(127);
}
}  // namespace

BackgroundRun::BackgroundRun(std::vector<std::string> argv, std::vector<std::string> env,
                             const std::string& workDir, std::string logPath, std::string errPath,
                             StartOptions options)
    : stderrToFile_(options.stderrToFile),
      logPath_(std::move(logPath)),
      errPath_(std::move(errPath)),
      outPath_(errPath_ + ".out") {
  std::vector<char*> rawArgv = pointers(argv);
  std::vector<char*> rawEnv = pointers(env);
  pid_ = options.terminal ? forkpty(&terminal_, nullptr, nullptr, nullptr) : fork();
  if (pid_ < 0) throw std::runtime_error("cannot start the program");
  if (pid_ == 0) {
    execChild(rawArgv.data(), rawEnv.data(), workDir.c_str(), outPath_.c_str(), errPath_.c_str(),
              options);
  }
  if (terminal_ >= 0) fcntl(terminal_, F_SETFL, fcntl(terminal_, F_GETFL) | O_NONBLOCK);
}

BackgroundRun::~BackgroundRun() {
  if (status_ < 0 && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (terminal_ >= 0) close(terminal_);
}

// Collects terminal output and notices the end; true while the program runs.
bool BackgroundRun::poll() {
  if (terminal_ >= 0) {
    char buffer[4096];
    for (ssize_t n; (n = read(terminal_, buffer, sizeof buffer)) > 0;) {
      terminalOutput_.append(buffer, static_cast<std::size_t>(n));
    }
  }
  if (status_ < 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
  }
  return status_ < 0;
}

std::string BackgroundRun::output() const {
  return terminal_ >= 0 && !stderrToFile_ ? terminalOutput_ : readFile(errPath_);
}

bool BackgroundRun::waitForLog(const std::string& text, int count,
                               std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const bool running = poll();
    int seen = 0;
    for (const LogRecord& record : readLogRecords(logPath_)) seen += record.text.starts_with(text);
    if (seen >= count) return true;
    if (!running || std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool BackgroundRun::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const bool running = poll();
    if (output().find(text) != std::string::npos) return true;
    if (!running || std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

void BackgroundRun::type(const std::string& keys) {
  if (terminal_ >= 0 && write(terminal_, keys.data(), keys.size()) < 0) {
    throw std::runtime_error("cannot type at the terminal");
  }
}

void BackgroundRun::signal(int number) { kill(pid_, number); }

RunResult BackgroundRun::finish(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (poll() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
  }
  RunResult result;
  if (status_ >= 0) {
    result.exitCode = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
  }
  result.out = readFile(outPath_);
  result.err = output();
  result.log = readLogRecords(logPath_);
  return result;
}

}  // namespace testsupport
