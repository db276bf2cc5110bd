// The version texts: an installed runtime's CFBundleVersion and the system's version (a
// version file's ProductVersion, or the kernel release).
#include <cstdint>
#include <string_view>

#include "libinstall/LinuxInstall.h"
#include "libinstall/MacSystemVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  install::RuntimeVersionInfo runtime{};
  install::parseFileVersion(text, runtime);
  MacSystemVersion::FromVersionText(text);
  MacSystemVersion::FromKernelRelease(text);
  return 0;
}
