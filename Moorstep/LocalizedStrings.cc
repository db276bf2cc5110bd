#include "Moorstep/LocalizedStrings.h"

#include <string_view>

#include "Moorstep/MessageTable.h"
#include "platform/Locale.h"
#include "platform/Text.h"

namespace moorstep {

std::int32_t embeddedStringLocale = -1;

std::optional<std::string> LocalizedStrings::getEmbeddedMessage(std::int32_t id) {
  if (embeddedStringLocale == -1) {
    embeddedStringLocale = GetFatalErrorMessageIndex();
  }
  if (static_cast<std::uint32_t>(id) >= kMessageCount) return std::nullopt;
  const char32_t* text = allMessages[embeddedStringLocale].texts[id];
  if (!text) return std::nullopt;
  return wchartoNSString(text);
}

std::int32_t GetFatalErrorMessageIndex() {
  std::int32_t result = kDefaultMessageRow;
  bool found = false;
  for (const std::string& entry : platform::preferredLanguages()) {
    const std::string canonical = platform::canonicalLocaleIdentifier(entry);
    result = FindMessageIndex(canonical, found);
    if (found) break;
    bool trimmed = false;
    const std::string shortened = TrimLastSubTag(canonical, trimmed);
    if (trimmed) {
      result = FindMessageIndex(shortened, found);
      if (found) break;
    }
  }
  return result;
}

std::int32_t FindMessageIndex(const std::string& tag, bool& found) {
  for (std::int32_t row = 0; row < kDefaultMessageRow; ++row) {
    if (tag == allMessages[row].tag) {
      found = true;
      return row;
    }
  }
  found = false;
  return kDefaultMessageRow;
}

std::string TrimLastSubTag(const std::string& tag, bool& trimmed) {
  const std::size_t dash = tag.rfind('-');
  trimmed = dash != std::string::npos;
  return trimmed ? tag.substr(0, dash) : tag;
}

std::string wchartoNSString(const char32_t* text) {
  return platform::utf32ToUtf8(std::u32string_view(text));
}

}  // namespace moorstep
