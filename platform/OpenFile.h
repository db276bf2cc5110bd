#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// A regular file opened for reading, by default never through a symbolic link. What it reads,
// and what a launch through it starts, stays the same file whatever later happens to its name.
// Opening never waits: a FIFO or a device in the file's place is refused at once.
class OpenFile {
 public:
  // An administrator's own files may be links that the administrator made.
  enum class Links { kRefuse, kFollow };

  // nullopt when path cannot be opened, is a refused link or is not a regular file.
  static std::optional<OpenFile> open(const std::string& path, Links links = Links::kRefuse);

  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  // Close-on-exec; still ours.
  int descriptor() const { return fd_; }
  // The whole file from its current offset; nullopt when it cannot be read (errno tells why) or
  // holds more than maxBytes (errno EFBIG).
  std::optional<std::string> readAll(std::size_t maxBytes) const;

 private:
  explicit OpenFile(int fd) : fd_(fd) {}

  int fd_ = -1;
};

}  // namespace platform
