#pragma once

#include <string>
#include <vector>

namespace platform {

// The process's own argument list, element 0 being the program path exactly as launched.
class ProcessInfo {
 public:
  static void setArguments(int argc, const char* const* argv);
  static void setArguments(std::vector<std::string> arguments);
  static const std::vector<std::string>& arguments();
};

}  // namespace platform
