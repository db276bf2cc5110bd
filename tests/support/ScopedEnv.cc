#include "ScopedEnv.h"

#include <cstdlib>

namespace testsupport {

ScopedEnv::ScopedEnv(std::vector<std::string> names) {
  for (std::string& name : names) {
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(std::move(name), value ? std::optional<std::string>(value) : std::nullopt);
  }
}

ScopedEnv::~ScopedEnv() {
  for (const auto& [name, value] : saved_) set(name, value);
}

void ScopedEnv::set(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
}

}  // namespace testsupport
