#include "libinstall/MacSystemVersion.h"

#include <sys/utsname.h>

#include <optional>
#include <vector>

#include "platform/FileManager.h"
#include "platform/PropertyList.h"
#include "platform/Scanner.h"
#include "platform/Text.h"

MacSystemVersion MacSystemVersion::sCachedSystemVersion{};
const MacSystemVersion MacSystemVersion::sMacSystemVersionUninitialized{};

namespace {
const MacSystemVersion kDefaultVersion(10, 0, 0, 0);

std::function<MacSystemVersion()>& reader() {
  static std::function<MacSystemVersion()> current = &MacSystemVersion::GetSystemVersion;
  return current;
}

// The value of a piece's leading decimal number; 0 when it does not begin with one.
int leadingInt(std::string_view piece) {
  int value = 0;
  return platform::Scanner(piece).scanInt(value) ? value : 0;
}

std::string kernelRelease() {
  utsname names{};
  return uname(&names) == 0 ? std::string(names.release) : std::string();
}
}  // namespace

MacSystemVersion MacSystemVersion::GetSystemVersion() {
  static constexpr char kVersionFilePath[] = "/System/Library/CoreServices/SystemVersion.plist";
  if (platform::fileExists(kVersionFilePath)) return FromVersionFile(kVersionFilePath);
  return FromKernelRelease(kernelRelease());
}

MacSystemVersion MacSystemVersion::FromVersionFile(const std::string& path) {
  static constexpr char kVersionPListKey[] = "ProductVersion";
  std::optional<platform::PropertyList> plist = platform::PropertyList::readDictionary(path);
  if (!plist) return kDefaultVersion;
  std::optional<std::string> version = plist->stringValue(kVersionPListKey);
  if (!version) return kDefaultVersion;
  return FromVersionText(*version);
}

MacSystemVersion MacSystemVersion::FromVersionText(std::string_view text) {
  const std::vector<std::string> pieces = platform::splitString(text, '.');
  if (pieces.size() != 2 && pieces.size() != 3) return kDefaultVersion;
  // Each value is kept in its 16-bit field, as the version record has always stored it.
  return MacSystemVersion(
      static_cast<std::uint16_t>(leadingInt(pieces[0])),
      static_cast<std::uint16_t>(leadingInt(pieces[1])),
      pieces.size() == 3 ? static_cast<std::uint16_t>(leadingInt(pieces[2])) : std::uint16_t{0}, 0);
}

MacSystemVersion MacSystemVersion::FromKernelRelease(std::string_view release) {
  // The version proper is the release's leading digits and dots ("6.1.0" of "6.1.0-13-amd64").
  const std::string_view version = release.substr(0, release.find_first_not_of("0123456789."));
  const std::vector<std::string> pieces = platform::splitString(version, '.');
  const int major = leadingInt(pieces.front());
  if (major == 0) return kDefaultVersion;
  auto piece = [&](std::size_t i) {
    return static_cast<std::uint16_t>(i < pieces.size() ? leadingInt(pieces[i]) : 0);
  };
  return MacSystemVersion(static_cast<std::uint16_t>(major), piece(1), piece(2), 0);
}

const MacSystemVersion& MacSystemVersion::CurrentSystemVersion() {
  if (sCachedSystemVersion == sMacSystemVersionUninitialized) sCachedSystemVersion = reader()();
  return sCachedSystemVersion;
}

void MacSystemVersion::SetReaderForTesting(std::function<MacSystemVersion()> reader) {
  ::reader() = reader ? std::move(reader) : &MacSystemVersion::GetSystemVersion;
  sCachedSystemVersion = sMacSystemVersionUninitialized;
}

bool MacSystemVersion::operator==(const MacSystemVersion& other) const {
  return major == other.major && minor == other.minor && bugfix == other.bugfix &&
         fourth == other.fourth;
}
