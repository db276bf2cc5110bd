#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// A server started in the background that writes one line (its display, its address) to a
// descriptor given on its command line once it is ready; stopped with SIGTERM when it goes.
class AnnouncingProcess {
 public:
  // "{fd}" in an argument of argv becomes the number of the descriptor it announces on.
  explicit AnnouncingProcess(std::vector<std::string> argv);
  ~AnnouncingProcess();
  AnnouncingProcess(const AnnouncingProcess&) = delete;
  AnnouncingProcess& operator=(const AnnouncingProcess&) = delete;

  const std::string& announcement() const { return announcement_; }

 private:
  pid_t pid_ = -1;
  std::string announcement_;
};

}  // namespace testsupport
