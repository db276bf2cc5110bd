#pragma once

#include <optional>
#include <string>

namespace platform {

// A regular file opened for reading, never through a symbolic link. What it reads, and what a
// launch through it starts, stays the same file whatever later happens to its name.
class OpenFile {
 public:
  // nullopt when path cannot be opened, is a link or is not a regular file.
  static std::optional<OpenFile> open(const std::string& path);

  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  // Close-on-exec; still ours.
  int descriptor() const { return fd_; }

 private:
  explicit OpenFile(int fd) : fd_(fd) {}

  int fd_ = -1;
};

}  // namespace platform
