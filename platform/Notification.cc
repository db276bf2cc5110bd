#include "Notification.h"

namespace platform {

bool Notification::boolValue(const std::string& key) const {
  auto it = userInfo.find(key);
  if (it == userInfo.end()) return false;
  const bool* value = std::get_if<bool>(&it->second);
  return value && *value;
}

std::optional<std::vector<std::string>> Notification::stringListValue(
    const std::string& key) const {
  auto it = userInfo.find(key);
  if (it == userInfo.end()) return std::nullopt;
  if (const auto* list = std::get_if<std::vector<std::string>>(&it->second)) return *list;
  return std::nullopt;
}

}  // namespace platform
