#pragma once

#include <string>
#include <vector>

namespace platform {

// The user's preferred languages, most preferred first: the entries of $LANGUAGE, then the
// first of $LC_ALL, $LC_MESSAGES and $LANG that is set.
std::vector<std::string> preferredLanguages();

// POSIX locale name to the canonical tag that the message table compares with: codeset and
// modifier dropped, "_" to "-", Chinese regions to their script ("zh-Hans", "zh-Hant").
// "C" and "POSIX" give the empty text, which matches no language.
std::string canonicalLocaleIdentifier(const std::string& identifier);

}  // namespace platform
