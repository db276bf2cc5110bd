#include "Locale.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "Text.h"

namespace platform {
namespace {
std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}
}  // namespace

std::vector<std::string> preferredLanguages() {
  std::vector<std::string> languages;
  for (std::string& entry : splitString(environment("LANGUAGE"), ':')) {
    if (!entry.empty()) languages.push_back(std::move(entry));
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = environment(name);
    if (!value.empty()) {
      languages.push_back(value);
      break;
    }
  }
  return languages;
}

std::string canonicalLocaleIdentifier(const std::string& identifier) {
  std::string tag = identifier.substr(0, identifier.find_first_of(".@"));
  if (tag == "C" || tag == "POSIX") return "";
  std::replace(tag.begin(), tag.end(), '_', '-');
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kChinese = {{
      {"zh-CN", "zh-Hans"},
      {"zh-SG", "zh-Hans"},
      {"zh-TW", "zh-Hant"},
      {"zh-HK", "zh-Hant"},
      {"zh-MO", "zh-Hant"},
  }};
  for (const auto& [region, script] : kChinese) {
    if (tag == region) return std::string(script);
  }
  return tag;
}

}  // namespace platform
