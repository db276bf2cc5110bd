#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// UTF-32 code units to UTF-8; the empty text when a unit is not a Unicode scalar value.
std::string utf32ToUtf8(std::u32string_view text);

// Every piece of text between separators, empty ones included.
std::vector<std::string> splitString(std::string_view text, char separator);

}  // namespace platform
