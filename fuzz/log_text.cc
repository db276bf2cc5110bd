// Text from outside (a server's file name, a URL, a host) as the log escapes it: whatever the
// input, the result is valid UTF-8 on one line, without a control character and without a
// character that reorders the line.
#include <glib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "libinstall/LogText.h"

namespace {
bool breaksTheLine(gunichar c) {
  return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
         c == 0x2028 || c == 0x2029 || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string escaped =
      install::escapeLogText(std::string_view(reinterpret_cast<const char*>(data), size));
  const char* end = nullptr;
  if (!g_utf8_validate(escaped.data(), static_cast<gssize>(escaped.size()), &end)) std::abort();
  for (const char* at = escaped.data(); at < end; at = g_utf8_next_char(at)) {
    if (breaksTheLine(g_utf8_get_char(at))) std::abort();
  }
  return 0;
}
