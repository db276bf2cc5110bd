#include "HttpServer.h"

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace testsupport {

HttpServer::HttpServer(const std::string& folder, const std::string& address)
    : address_(address), log_(folder + "/.requests.log") {
  std::string python = MOORSTEP_PYTHON3;
  std::string script = MOORSTEP_TEST_HTTP_SERVER;
  std::string root = folder;
  char* argv[] = {python.data(), script.data(), root.data(), log_.data(), address_.data(), nullptr};
  int out = -1;
  GPid pid = 0;
  if (!g_spawn_async_with_pipes(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &pid,
                                nullptr, &out, nullptr, nullptr)) {
    throw std::runtime_error("cannot start the test HTTP server");
  }
  pid_ = pid;
  std::string line;
  char c = 0;
  while (read(out, &c, 1) == 1 && c != '\n') line.push_back(c);
  close(out);
  port_ = line.empty() ? 0 : std::stoi(line);
  if (port_ == 0) throw std::runtime_error("the test HTTP server did not say its port");
}

HttpServer::~HttpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::vector<std::string> HttpServer::requests() const {
  std::vector<std::string> lines;
  std::ifstream in(log_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace testsupport
