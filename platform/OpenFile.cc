#include "OpenFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace platform {

std::optional<OpenFile> OpenFile::open(const std::string& path, Links links) {
  // O_NONBLOCK: a FIFO put in the file's place must not hang the run; regular files read alike.
  const int fd = ::open(
      path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (links == Links::kRefuse ? O_NOFOLLOW : 0));
  if (fd < 0) return std::nullopt;
  OpenFile file(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return file;
}

std::optional<std::string> OpenFile::readAll(std::size_t maxBytes) const {
  std::string text;
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return text;
    if (static_cast<std::size_t>(n) > maxBytes - text.size()) {
      errno = EFBIG;
      return std::nullopt;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

OpenFile::OpenFile(OpenFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

OpenFile::~OpenFile() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
