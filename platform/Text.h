#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-32 code units to UTF-8; the empty text when a unit is not a Unicode scalar value.
std::string utf32ToUtf8(std::u32string_view text);

}  // namespace platform
