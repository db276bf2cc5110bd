#pragma once

#include <string>

namespace platform {

// Existence tests that never throw: an unreadable path counts as absent.
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);

}  // namespace platform
