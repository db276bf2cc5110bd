#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Remembers environment variables and puts them back as they were when it goes.
class ScopedEnv {
 public:
  explicit ScopedEnv(std::vector<std::string> names);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // Sets (or, with nullopt, unsets) a remembered variable.
  void set(const std::string& name, const std::optional<std::string>& value);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace testsupport
