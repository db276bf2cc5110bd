#pragma once

#include <string>
#include <vector>

namespace platform {

// A child process started from an executable file with an argument list: no shell, the same
// environment, working folder and standard streams.
class Task {
 public:
  // Starts path with arguments (the child's argv[0] is path), waits until it exits and returns
  // its exit status: 128 + N when signal N ended it, 127 when nothing is at path, 126 when
  // something is there that cannot be run, as shells report them.
  static int launchAndWait(const std::string& path, const std::vector<std::string>& arguments);
};

}  // namespace platform
