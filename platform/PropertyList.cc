#include "PropertyList.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>

namespace platform {
namespace {
// Information dictionaries are a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxPropertyListBytes = 8 * 1024 * 1024;
}  // namespace

std::optional<PropertyList> PropertyList::readDictionary(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[16384];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxPropertyListBytes) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return dictionaryFromBytes(bytes);
}

std::optional<PropertyList> PropertyList::dictionaryFromBytes(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxPropertyListBytes) return std::nullopt;
  plist_t parsed = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
  PlistPtr root(parsed);
  if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return std::nullopt;
  return PropertyList(std::move(root));
}

PropertyList::PropertyList(const PropertyList& other) : root_(plist_copy(other.root_.get())) {}

PropertyList& PropertyList::operator=(const PropertyList& other) {
  if (this != &other) root_.reset(plist_copy(other.root_.get()));
  return *this;
}

std::optional<std::string> PropertyList::stringValue(const std::string& key) const {
  plist_t item = plist_dict_get_item(root_.get(), key.c_str());
  if (!item || plist_get_node_type(item) != PLIST_STRING) return std::nullopt;
  // The library asserts (and so aborts) when asked to copy a string with a NUL inside, which
  // any file can hold; such a value is no usable text.
  std::uint64_t length = 0;
  const char* value = plist_get_string_ptr(item, &length);
  if (!value) return std::nullopt;
  std::string result(value, length);
  if (result.find('\0') != std::string::npos) return std::nullopt;
  return result;
}

}  // namespace platform
