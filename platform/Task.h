#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "TerminationSignals.h"

namespace platform {

// A child process started from an executable file with an argument list: no shell, the same
// environment, working folder, standard streams and process group, and the signal mask and
// dispositions this process inherited (but SIGCHLD at its default: see launch()).
class Task {
 public:
  // path is run with arguments (the child's argv[0] is path).
  Task(std::string path, std::vector<std::string> arguments);
  ~Task();
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;

  // Starts the open file fd instead of what path names then (path stays argv[0]), so that no
  // rename or replacement in its folder changes what runs. The child gets fd without
  // close-on-exec: an interpreter of a "#!" script reads the script through /dev/fd.
  void setExecutableFile(int fd) { executableFd_ = fd; }
  // Descriptors of ours, close-on-exec here, that the child keeps open: a lock the child's run
  // must hold for as long as it lives, also after this process has gone.
  void setInheritedDescriptors(std::vector<int> fds) { inheritedFds_ = std::move(fds); }

  // Takes an ignored SIGCHLD back to its default first, or the child's status would be lost.
  // False when the file could not be started: terminationStatus() is then 127 when nothing is
  // at path and 126 when what is there cannot be run, as shells report them.
  bool launch();
  // Runs the main loop until the child has exited, so that signals are handled meanwhile;
  // returns terminationStatus().
  int waitUntilExit();
  // The exit status, 128 + N when signal N ended the child.
  int terminationStatus() const { return status_.value_or(-1); }

  // Passes a termination signal on to the child, unless the child already has it from the
  // kernel, as with Ctrl-C at the terminal of a process group it shares.
  void forward(const ReceivedSignal& signal) const;
  // The task whose end the process is waiting for, if any.
  static Task* waitedFor();

  // launch() and waitUntilExit() in one.
  static int launchAndWait(const std::string& path, const std::vector<std::string>& arguments);

 private:
  bool spawn(std::vector<char*>& argv);
  bool forkAndExecute(std::vector<char*>& argv);
  // The forked child's part, async-signal-safe only: execs, or writes errno to reportFd and
  // ends.
  [[noreturn]] void execute(std::vector<char*>& argv, int reportFd,
                            const TerminationSignals& signals) const;

  std::string path_;
  std::vector<std::string> arguments_;
  int executableFd_ = -1;
  std::vector<int> inheritedFds_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace platform
