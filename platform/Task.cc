#include "Task.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace platform {

int Task::launchAndWait(const std::string& path, const std::vector<std::string>& arguments) {
  std::vector<std::string> argvStrings = {path};
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : argvStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  const int error = posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error == ENOENT || error == ENOTDIR) return 127;
  if (error != 0) return 126;

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 126;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 126;
}

}  // namespace platform
