#include "libinstall/LogText.h"

#include <glib.h>

#include <cstdio>

namespace install {
namespace {
bool needsEscape(gunichar c) {
  return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
         c == 0x2028 || c == 0x2029 || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

void append(std::string& out, const char* format, unsigned value) {
  char escaped[16];
  std::snprintf(escaped, sizeof escaped, format, value);
  out += escaped;
}
}  // namespace

std::string escapeLogText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const char* at = text.data();
  const char* end = at + text.size();
  while (at < end) {
    const gunichar c = g_utf8_get_char_validated(at, end - at);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
      append(out, "\\x%02x", static_cast<unsigned char>(*at++));
      continue;
    }
    const char* next = g_utf8_next_char(at);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x80 && needsEscape(c)) {
      append(out, "\\x%02x", c);
    } else if (needsEscape(c)) {
      append(out, "\\u%04x", c);
    } else {
      out.append(at, next);
    }
    at = next;
  }
  return out;
}

}  // namespace install
