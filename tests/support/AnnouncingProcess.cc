#include "AnnouncingProcess.h"

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

AnnouncingProcess::AnnouncingProcess(std::vector<std::string> argv) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  for (auto& a : argv) {
    if (const auto at = a.find("{fd}"); at != std::string::npos) {
      a.replace(at, 4, std::to_string(fds[1]));
    }
  }
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  GPid pid = 0;
  const bool started = g_spawn_async(
      nullptr, raw.data(), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_LEAVE_DESCRIPTORS_OPEN |
                               G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
      nullptr, nullptr, &pid, nullptr);
  close(fds[1]);
  if (!started) {
    close(fds[0]);
    throw std::runtime_error("cannot start " + argv.front());
  }
  pid_ = pid;
  char c = 0;
  while (read(fds[0], &c, 1) == 1 && c != '\n') announcement_.push_back(c);
  close(fds[0]);
  if (announcement_.empty()) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error(argv.front() + " did not say where it is");
  }
}

AnnouncingProcess::~AnnouncingProcess() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace testsupport
