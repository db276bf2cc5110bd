#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// text without the white space around it, in ASCII lower case.
std::string lowerTrimmed(std::string_view text);

struct HeaderField {
  std::string name;        // lower case
  std::string_view value;  // without the white space around it
};

// One response header line as the server sent it ("Name: value\r\n"); nullopt for a line
// without a colon.
std::optional<HeaderField> parseHeaderLine(std::string_view line);

}  // namespace platform
