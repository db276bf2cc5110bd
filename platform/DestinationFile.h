#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// Writes all of data to fd, through short writes and interruptions.
bool writeAll(int fd, const char* data, std::size_t length);

// A downloaded file being written: created fresh and private, never through a link.
class DestinationFile {
 public:
  // Creates path with mode 0600. When something is there: with allowOverwrite the old entry is
  // removed first; without it the next free name ("name-1.ext", "name-2.ext", ...) is taken.
  static std::optional<DestinationFile> create(const std::string& path, bool allowOverwrite);

  DestinationFile(DestinationFile&& other) noexcept;
  DestinationFile& operator=(DestinationFile&& other) noexcept;
  DestinationFile(const DestinationFile&) = delete;
  DestinationFile& operator=(const DestinationFile&) = delete;
  ~DestinationFile();

  const std::string& path() const { return path_; }
  bool write(const char* data, std::size_t length);
  // Empties the file, so that it is written again from its start.
  bool truncate();
  bool close();
  // Closes and deletes the file: what a failed or cancelled transfer leaves behind.
  void remove();

 private:
  DestinationFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

  int fd_ = -1;
  std::string path_;
};

// "name-N.ext" for "name.ext" (the extension is what follows the last dot of the file name).
std::string numberedFileName(const std::string& path, int number);

}  // namespace platform
