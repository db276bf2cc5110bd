#include "DestinationFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {
namespace {
constexpr int kMaxFreeNameTries = 10000;

int openFresh(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}
}  // namespace

std::string numberedFileName(const std::string& path, int number) {
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

std::optional<DestinationFile> DestinationFile::create(const std::string& path,
                                                       bool allowOverwrite) {
  int fd = openFresh(path);
  if (fd >= 0) return DestinationFile(fd, path);
  if (errno != EEXIST) return std::nullopt;
  if (allowOverwrite) {
    if (::unlink(path.c_str()) != 0) return std::nullopt;
    fd = openFresh(path);
    return fd >= 0 ? std::optional(DestinationFile(fd, path)) : std::nullopt;
  }
  for (int number = 1; number <= kMaxFreeNameTries; ++number) {
    std::string candidate = numberedFileName(path, number);
    fd = openFresh(candidate);
    if (fd >= 0) return DestinationFile(fd, std::move(candidate));
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

DestinationFile::DestinationFile(DestinationFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

DestinationFile& DestinationFile::operator=(DestinationFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

DestinationFile::~DestinationFile() { close(); }

bool writeAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

bool DestinationFile::write(const char* data, std::size_t length) {
  return writeAll(fd_, data, length);
}

bool DestinationFile::truncate() {
  return ::ftruncate(fd_, 0) == 0 && ::lseek(fd_, 0, SEEK_SET) == 0;
}

bool DestinationFile::close() {
  if (fd_ < 0) return true;
  const int result = ::close(std::exchange(fd_, -1));
  return result == 0;
}

void DestinationFile::remove() {
  close();
  if (!path_.empty()) ::unlink(path_.c_str());
}

}  // namespace platform
