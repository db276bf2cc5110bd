#pragma once

#include <string>
#include <string_view>

namespace install {

// Text from outside (a file name, a URL, a host, a path) made safe for one log line: control
// characters become \xNN (C1 controls \u00NN), characters that reorder or break the line
// (bidi controls, line and paragraph separators) \uNNNN, bytes that are not UTF-8 \xNN, and a
// backslash \\, so that the line reads as it was written and cannot pose as another line.
std::string escapeLogText(std::string_view text);

}  // namespace install
