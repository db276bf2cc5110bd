#include "LoopbackService.h"

#include <arpa/inet.h>
#include <glib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace testsupport {
namespace {
sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

int freePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  close(fd);
  if (!bound) throw std::runtime_error("no free loopback port");
  return ntohs(address.sin_port);
}

bool accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = loopback(port);
  const bool connected =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}
}  // namespace

LoopbackService::LoopbackService(const std::string& folder,
                                 const std::function<std::vector<std::string>(int)>& argvFor)
    : port_(freePort()) {
  std::vector<std::string> args = argvFor(port_);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  GPid pid = 0;
  if (!g_spawn_async(folder.c_str(), argv.data(), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH |
                                              G_SPAWN_STDOUT_TO_DEV_NULL),
                     nullptr, nullptr, &pid, nullptr)) {
    throw std::runtime_error("cannot start " + args.front());
  }
  pid_ = pid;
  using namespace std::chrono_literals;
  for (int i = 0; i < 200; ++i) {
    if (accepts(port_)) return;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
    std::this_thread::sleep_for(50ms);
  }
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  throw std::runtime_error(args.front() + " does not accept connections");
}

LoopbackService::~LoopbackService() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace testsupport
