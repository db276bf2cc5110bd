#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// How much of a body the question below needs to see.
inline constexpr std::size_t kWebPageSniffBytes = 1024;

// Whether a body that begins with start is an HTML page: markup after any byte-order mark and
// white space, with an HTML element among its first bytes. A network that wants a sign-in
// answers with such a page in place of whatever was asked for.
bool looksLikeWebPage(std::string_view start);

}  // namespace platform
