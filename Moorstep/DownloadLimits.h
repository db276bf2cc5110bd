// The most each downloaded file may hold. A host is untrusted until the signature has been
// checked, so these bound what it can make us store and read.
#pragma once

#include <cstdint>

namespace moorstep {

inline constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// A build setting: publishers with larger runtimes raise it.
inline constexpr std::uint64_t kMaxInstallerBytes = MOORSTEP_MAX_INSTALLER_MIB * kMiB;
inline constexpr std::uint64_t kMaxSignatureBytes = 1 * kMiB;
inline constexpr std::uint64_t kMaxCrlBytes = 64 * kMiB;

}  // namespace moorstep
