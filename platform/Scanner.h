#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Reads tokens from the start of a text, skipping white space before each, as the desktop's
// string scanner does. A failed scan leaves the position where it was.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  // An optional sign and decimal digits; a value beyond the int range is clamped to it.
  bool scanInt(int& value);
  // The exact text token.
  bool scanString(std::string_view token);

 private:
  std::size_t skipWhiteSpace(std::size_t from) const;

  std::string text_;
  std::size_t position_ = 0;
};

}  // namespace platform
