#include "HeaderLine.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>
#include <string>

namespace platform {

std::string lowerTrimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::optional<HeaderField> parseHeaderLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
    value.remove_suffix(1);
  }
  return HeaderField{lowerTrimmed(line.substr(0, colon)), value};
}

std::optional<std::chrono::seconds> parseRetryAfter(std::string_view value) {
  long long seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error == std::errc() && end == value.data() + value.size()) {
    return seconds >= 0 ? std::optional(std::chrono::seconds(seconds)) : std::nullopt;
  }
  const time_t when = curl_getdate(std::string(value).c_str(), nullptr);
  if (when < 0) return std::nullopt;
  return std::chrono::seconds(std::max<long long>(when - ::time(nullptr), 0));
}

bool rangeIsTheRest(std::string_view contentRange, std::uint64_t offset) {
  constexpr std::string_view kUnit = "bytes ";
  if (!contentRange.starts_with(kUnit)) return false;
  const char* next = contentRange.data() + kUnit.size();
  const char* const end = contentRange.data() + contentRange.size();
  const auto number = [&](std::uint64_t& value) {
    const auto [after, error] = std::from_chars(next, end, value);
    next = after;
    return error == std::errc();
  };
  const auto separator = [&](char c) { return next != end && *next++ == c; };
  std::uint64_t first = 0, last = 0, total = 0;
  return number(first) && separator('-') && number(last) && separator('/') && number(total) &&
         next == end && first == offset && last >= first && last + 1 == total;
}

}  // namespace platform
