#include "DevLogCapture.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace testsupport {
namespace {
constexpr int kPollMilliseconds = 50;
// "Mmm dd hh:mm:ss " after the priority.
constexpr std::size_t kTimestampLength = 16;
}  // namespace

DevLogCapture::DevLogCapture(std::string path) : path_(std::move(path)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof address.sun_path) throw std::runtime_error("log socket path too long");
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0 || bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (socket_ >= 0) close(socket_);
    throw std::runtime_error("cannot bind the log socket at " + path_);
  }
  reader_ = std::thread([this] { receive(); });
}

DevLogCapture::~DevLogCapture() {
  stop_ = true;
  reader_.join();
  close(socket_);
  unlink(path_.c_str());
}

std::vector<LogRecord> DevLogCapture::records() {
  std::lock_guard<std::mutex> lock(mutex_);
  while (receiveOne()) {
  }
  return records_;
}

LogRecord DevLogCapture::parse(const std::string& datagram) {
  const std::size_t close = datagram.find('>');
  if (datagram.empty() || datagram[0] != '<' || close == std::string::npos) return {-1, datagram};
  const int priority = LOG_PRI(std::atoi(datagram.c_str() + 1));
  const std::size_t tagEnd = datagram.find(": ", close + 1 + kTimestampLength);
  if (tagEnd == std::string::npos) return {-1, datagram};
  return {priority, datagram.substr(tagEnd + 2)};
}

bool DevLogCapture::receiveOne() {
  char buffer[8192];
  const ssize_t n = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n <= 0) return false;
  records_.push_back(parse(std::string(buffer, static_cast<std::size_t>(n))));
  return true;
}

void DevLogCapture::receive() {
  pollfd ready{socket_, POLLIN, 0};
  while (!stop_) {
    if (::poll(&ready, 1, kPollMilliseconds) <= 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    receiveOne();
  }
}

}  // namespace testsupport
