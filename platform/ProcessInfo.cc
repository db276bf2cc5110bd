#include "ProcessInfo.h"

namespace platform {
namespace {
std::vector<std::string>& storage() {
  static std::vector<std::string> arguments;
  return arguments;
}
}  // namespace

void ProcessInfo::setArguments(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc && argv && argv[i]; ++i) arguments.emplace_back(argv[i]);
  setArguments(std::move(arguments));
}

void ProcessInfo::setArguments(std::vector<std::string> arguments) {
  storage() = std::move(arguments);
}

const std::vector<std::string>& ProcessInfo::arguments() { return storage(); }

}  // namespace platform
