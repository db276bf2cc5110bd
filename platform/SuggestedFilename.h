#pragma once

#include <string>
#include <string_view>

namespace platform {

// The file name a server suggests: the Content-Disposition filename, else the last component of
// the final URL, else "download"; always reduced to one safe path component.
std::string suggestedFilename(std::string_view contentDisposition, const std::string& finalUrl);

// One path component made of name: what follows its last slash or backslash, without control
// characters; empty when nothing usable remains ("", ".", "..").
std::string safeFileName(std::string_view name);

// The filename parameter of a Content-Disposition header value; empty when there is none.
std::string contentDispositionFilename(std::string_view header);

}  // namespace platform
