#pragma once

#include <chrono>
#include <cstdint>
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

// A Retry-After value: a number of seconds, or an HTTP date (then the time until it, at least 0);
// nullopt for anything else.
std::optional<std::chrono::seconds> parseRetryAfter(std::string_view value);

// Whether a Content-Range value ("bytes 100-199/200") is the whole rest of its file from offset:
// a range that stops short would leave a file that is not what the server serves.
bool rangeIsTheRest(std::string_view contentRange, std::uint64_t offset);

}  // namespace platform
