#include "Text.h"

#include <glib.h>

#include "Handles.h"

namespace platform {

std::string utf32ToUtf8(std::u32string_view text) {
  static_assert(sizeof(gunichar) == sizeof(char32_t));
  glong written = 0;
  GCharPtr converted(g_ucs4_to_utf8(reinterpret_cast<const gunichar*>(text.data()),
                                    static_cast<glong>(text.size()), nullptr, &written, nullptr));
  // GLib encodes surrogates and values above U+10FFFF without complaint; they are not text.
  if (!converted || !g_utf8_validate(converted.get(), written, nullptr)) return {};
  return std::string(converted.get(), static_cast<std::size_t>(written));
}

std::vector<std::string> splitString(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string_view::npos;
       start = end + 1) {
    pieces.emplace_back(text.substr(start, end - start));
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}

}  // namespace platform
