#include "SearchPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "Text.h"

namespace platform {
namespace {
// XDG base directories must be absolute; a relative entry is ignored.
std::string absoluteEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : "";
}
}  // namespace

std::vector<std::string> libraryDirectories() {
  std::string list = std::getenv("XDG_DATA_DIRS") ? std::getenv("XDG_DATA_DIRS") : "";
  if (list.empty()) list = "/usr/local/share:/usr/share";
  std::vector<std::string> folders;
  for (std::string& entry : splitString(list, ':')) {
    if (entry.starts_with('/')) folders.push_back(std::move(entry));
  }
  return folders;
}

std::string userApplicationSupportDirectory() {
  std::string dataHome = absoluteEnvironment("XDG_DATA_HOME");
  return dataHome.empty() ? homeDirectory() + "/.local/share" : dataHome;
}

std::string homeDirectory() {
  std::string home = absoluteEnvironment("HOME");
  if (!home.empty()) return home;
  const passwd* entry = getpwuid(getuid());
  return entry && entry->pw_dir ? entry->pw_dir : "/";
}

std::string temporaryDirectory() {
  std::string tmp = absoluteEnvironment("TMPDIR");
  return tmp.empty() ? "/tmp" : tmp;
}

}  // namespace platform
