// The name a server suggests for a download: a Content-Disposition value (the first line of
// the input) and the final URL (the rest). Whatever the server sends, the name must be one
// usable path component.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/SuggestedFilename.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view disposition = input.substr(0, newline);
  const std::string url(newline == std::string_view::npos ? "" : input.substr(newline + 1));
  const std::string name = platform::suggestedFilename(disposition, url);
  const bool safe = !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
                    name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
  if (!safe) std::abort();
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f) std::abort();
  }
  return 0;
}
