#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A fuzz input as a file that the code under test opens by its path, as it opens what it
// downloaded. The file lives in memory, so a run never writes to the disk.
class InputFile {
 public:
  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Replaces the contents; aborts when the memory file refuses them, which no input may cause.
  void write(const std::uint8_t* data, std::size_t size);
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

}  // namespace fuzz
