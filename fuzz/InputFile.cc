#include "fuzz/InputFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace fuzz {

InputFile::InputFile() : fd_(memfd_create("fuzz-input", MFD_CLOEXEC)) {
  if (fd_ < 0) std::abort();
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

InputFile::~InputFile() { close(fd_); }

void InputFile::write(const std::uint8_t* data, std::size_t size) {
  if (ftruncate(fd_, 0) != 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t written = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (written <= 0) std::abort();
    done += static_cast<std::size_t>(written);
  }
}

}  // namespace fuzz
