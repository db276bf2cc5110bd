#include "Task.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "RunLoop.h"

extern char** environ;

namespace platform {
namespace {
Task*& waited() {
  static Task* task = nullptr;
  return task;
}

// As shells report them: 127 when nothing is there, 126 when what is there cannot be run.
int statusOfFailedStart(int error) { return error == ENOENT || error == ENOTDIR ? 127 : 126; }

// With SIGCHLD ignored (a parent may pass that on) the kernel reaps the child unasked, and the
// wait reads its lost status as success. How the installer ended must be known, so SIGCHLD goes
// back to its default here, and the child inherits that default.
void keepChildStatus() {
  struct sigaction action {};
  if (sigaction(SIGCHLD, nullptr, &action) != 0 || action.sa_handler != SIG_IGN) return;
  action = {};
  action.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &action, nullptr);
}
}  // namespace

Task::Task(std::string path, std::vector<std::string> arguments)
    : path_(std::move(path)), arguments_(std::move(arguments)) {}

Task::~Task() {
  if (waited() == this) waited() = nullptr;
}

bool Task::launch() {
  std::vector<std::string> argvStrings = {path_};
  argvStrings.insert(argvStrings.end(), arguments_.begin(), arguments_.end());
  std::vector<char*> argv;
  for (std::string& arg : argvStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  keepChildStatus();
  const bool started =
      executableFd_ < 0 && inheritedFds_.empty() ? spawn(argv) : forkAndExecute(argv);
  if (!started) pid_ = -1;
  return started;
}

bool Task::spawn(std::vector<char*>& argv) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  TerminationSignals::shared().restoreInheritedStateFor(attributes);
  const int error = posix_spawn(&pid_, path_.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) status_ = statusOfFailedStart(error);
  return error == 0;
}

bool Task::forkAndExecute(std::vector<char*>& argv) {
  // The child reports a failed exec through this pipe; a successful one closes it.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    status_ = statusOfFailedStart(errno);
    return false;
  }
  // Made before the fork: the child may not be the first to ask for it.
  const TerminationSignals& signals = TerminationSignals::shared();
  const pid_t pid = ::fork();
  if (pid == 0) execute(argv, report[1], signals);
  int error = pid < 0 ? errno : 0;
  ::close(report[1]);
  if (pid > 0) {
    ssize_t got = 0;
    do {
      got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof error)) error = 0;
  }
  ::close(report[0]);
  if (error == 0) {
    pid_ = pid;
    return true;
  }
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  status_ = statusOfFailedStart(error);
  return false;
}

void Task::execute(std::vector<char*>& argv, int reportFd,
                   const TerminationSignals& signals) const {
  for (int fd : inheritedFds_) ::fcntl(fd, F_SETFD, 0);
  signals.restoreInheritedState();
  if (executableFd_ >= 0) {
    ::fcntl(executableFd_, F_SETFD, 0);
    ::fexecve(executableFd_, argv.data(), environ);
  } else {
    ::execve(path_.c_str(), argv.data(), environ);
  }
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(reportFd, &error, sizeof error);
  ::_exit(127);
}

int Task::waitUntilExit() {
  if (status_ || pid_ < 0) return terminationStatus();
  waited() = this;
  GMainContext* context = RunLoop::main().context();
  GSource* source = g_child_watch_source_new(pid_);
  g_source_set_callback(source, G_SOURCE_FUNC(+[](GPid, gint status, gpointer self) {
                          auto* task = static_cast<Task*>(self);
                          if (WIFEXITED(status)) {
                            task->status_ = WEXITSTATUS(status);
                          } else if (WIFSIGNALED(status)) {
                            task->status_ = 128 + WTERMSIG(status);
                          } else {
                            task->status_ = 126;
                          }
                        }),
                        this, nullptr);
  g_source_attach(source, context);
  g_source_unref(source);
  RunLoop::main().runUntil([this] { return status_.has_value(); });
  waited() = nullptr;
  return terminationStatus();
}

void Task::forward(const ReceivedSignal& signal) const {
  if (pid_ < 0 || status_) return;
  if (signal.toProcessGroup && getpgid(pid_) == getpgrp()) return;
  kill(pid_, signal.number);
}

Task* Task::waitedFor() { return waited(); }

int Task::launchAndWait(const std::string& path, const std::vector<std::string>& arguments) {
  Task task(path, arguments);
  if (!task.launch()) return task.terminationStatus();
  return task.waitUntilExit();
}

}  // namespace platform
