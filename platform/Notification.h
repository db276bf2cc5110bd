#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

using UserInfoValue = std::variant<bool, std::vector<std::string>>;
using UserInfo = std::map<std::string, UserInfoValue>;

struct Notification {
  std::string name;
  // Identity of the sender; never dereferenced by the centre or the queue.
  const void* object = nullptr;
  UserInfo userInfo;

  // A missing or non-boolean entry counts as false.
  bool boolValue(const std::string& key) const;
  std::optional<std::vector<std::string>> stringListValue(const std::string& key) const;
};

}  // namespace platform
