#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The operating system's version, read once per process and cached.
class MacSystemVersion {
 public:
  MacSystemVersion() = default;
  MacSystemVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t bugfix,
                   std::uint16_t fourth = 0)
      : major(major), minor(minor), bugfix(bugfix), fourth(fourth) {}

  // From the version file at kVersionFilePath when there is one; otherwise from the running
  // kernel's release. 10.0.0 when neither gives a version.
  static MacSystemVersion GetSystemVersion();
  // The cached version, read on first use (and again while it reads as all zero).
  static const MacSystemVersion& CurrentSystemVersion();

  // "ProductVersion" of a version file of that form; 10.0.0 when anything is wrong with it.
  static MacSystemVersion FromVersionFile(const std::string& path);
  // A version text of 2 or 3 dot-separated pieces; 10.0.0 for any other number of pieces.
  static MacSystemVersion FromVersionText(std::string_view text);

  // A kernel release such as "6.1.0-13-amd64" or "5.10.102.1-microsoft-standard-WSL2": its
  // first three leading numbers, a missing minor or bugfix read as 0; 10.0.0 when it does not
  // begin with a number other than 0.
  static MacSystemVersion FromKernelRelease(std::string_view release);

  // Tests replace where the cache is filled from, and empty the cache.
  static void SetReaderForTesting(std::function<MacSystemVersion()> reader);

  bool operator==(const MacSystemVersion& other) const;

  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t bugfix = 0;
  std::uint16_t fourth = 0;

 private:
  static MacSystemVersion sCachedSystemVersion;
  static const MacSystemVersion sMacSystemVersionUninitialized;
};
