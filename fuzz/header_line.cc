// Response header lines as libcurl hands them over, one line (with its line end) at a time.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/HeaderLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size() - 1) + 1;
    const std::optional<platform::HeaderField> field =
        platform::parseHeaderLine(rest.substr(0, end));
    rest.remove_prefix(end);
    if (!field) continue;
    const std::string_view value = field->value;
    if (!value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                           std::isspace(static_cast<unsigned char>(value.back())))) {
      std::abort();
    }
    platform::lowerTrimmed(value);
    // A wait is never negative; a range cannot be the rest of its file from two offsets.
    const std::optional<std::chrono::seconds> wait = platform::parseRetryAfter(value);
    if (wait && wait->count() < 0) std::abort();
    if (platform::rangeIsTheRest(value, 0) && platform::rangeIsTheRest(value, 1)) std::abort();
  }
  return 0;
}
