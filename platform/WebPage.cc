#include "WebPage.h"

#include <array>
#include <string>

#include "HeaderLine.h"

namespace platform {

bool looksLikeWebPage(std::string_view start) {
  start = start.substr(0, kWebPageSniffBytes);
  if (start.starts_with("\xef\xbb\xbf")) start.remove_prefix(3);
  const std::string text = lowerTrimmed(start);
  if (!text.starts_with('<')) return false;
  constexpr std::array<std::string_view, 6> kElements = {"<!doctype html", "<html", "<head",
                                                         "<body",          "<meta", "<title"};
  for (std::string_view element : kElements) {
    if (text.find(element) != std::string::npos) return true;
  }
  return false;
}

}  // namespace platform
