#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

// Text in pieces: plain, or a link to an address (shown in the link colour and underlined, and
// followed when clicked or activated from the keyboard).
struct TextRun {
  std::string text;
  std::optional<std::string> link;
  bool operator==(const TextRun&) const = default;
};
using AttributedText = std::vector<TextRun>;

}  // namespace platform::ui
