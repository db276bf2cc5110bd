#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Handles.h"

namespace platform {

// A property-list dictionary read with libplist (XML or binary form).
class PropertyList {
 public:
  // nullopt when the file is missing, unreadable, too large, malformed, or not a dictionary.
  static std::optional<PropertyList> readDictionary(const std::string& path);
  static std::optional<PropertyList> dictionaryFromBytes(std::string_view bytes);

  PropertyList(const PropertyList& other);
  PropertyList& operator=(const PropertyList& other);
  PropertyList(PropertyList&&) noexcept = default;
  PropertyList& operator=(PropertyList&&) noexcept = default;

  // The string stored under key; nullopt when absent, of another type, or holding a NUL.
  std::optional<std::string> stringValue(const std::string& key) const;

 private:
  explicit PropertyList(PlistPtr root) : root_(std::move(root)) {}

  PlistPtr root_;
};

}  // namespace platform
