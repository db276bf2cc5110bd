#include "SuggestedFilename.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>

#include "Handles.h"

namespace platform {
namespace {
constexpr std::size_t kMaxFileNameBytes = 255;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

std::string lastUrlComponent(const std::string& url) {
  std::unique_ptr<CURLU, FreeWith<curl_url_cleanup>> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return {};
  char* path = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_PATH, &path, CURLU_URLDECODE) != CURLUE_OK) return {};
  std::string decoded(path);
  curl_free(path);
  return decoded;
}
}  // namespace

std::string safeFileName(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::string safe;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) safe.push_back(c);
  }
  while (!safe.empty() && safe.back() == ' ') safe.pop_back();
  while (!safe.empty() && safe.front() == ' ') safe.erase(safe.begin());
  if (safe.size() > kMaxFileNameBytes) {
    safe.resize(kMaxFileNameBytes);
    // Do not leave half a UTF-8 character at the cut.
    while (!safe.empty() && (static_cast<unsigned char>(safe.back()) & 0xC0) == 0x80) {
      safe.pop_back();
    }
    if (!safe.empty() && static_cast<unsigned char>(safe.back()) >= 0xC0) safe.pop_back();
  }
  if (safe == "." || safe == "..") return {};
  return safe;
}

std::string contentDispositionFilename(std::string_view header) {
  for (std::size_t at = 0; at < header.size();) {
    std::size_t semicolon = header.find(';', at);
    if (semicolon == std::string_view::npos) break;
    std::string_view rest = header.substr(semicolon + 1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    at = semicolon + 1;
    if (!startsWithNoCase(rest, "filename=")) continue;
    rest.remove_prefix(9);
    std::string value;
    if (!rest.empty() && rest.front() == '"') {
      for (std::size_t i = 1; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) ++i;
        value.push_back(rest[i]);
      }
    } else {
      value = std::string(rest.substr(0, rest.find_first_of("; \t\r\n")));
    }
    return value;
  }
  return {};
}

std::string suggestedFilename(std::string_view contentDisposition, const std::string& finalUrl) {
  std::string name = safeFileName(contentDispositionFilename(contentDisposition));
  if (name.empty()) name = safeFileName(lastUrlComponent(finalUrl));
  return name.empty() ? "download" : name;
}

}  // namespace platform
