// An information dictionary (Info.plist, Config.plist, a system version file) through the
// bundle and property-list readers and the version texts read from it.
#include <cstdint>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "fuzz/InputFile.h"
#include "libinstall/LinuxInstall.h"
#include "libinstall/MacSystemVersion.h"
#include "platform/Bundle.h"

namespace {
// An application bundle whose Contents/Info.plist is a link to the input.
std::string makeBundle(const testsupport::TempDir& folder, const std::string& infoPath) {
  folder.make("Contents/MacOS");
  std::filesystem::create_symlink(infoPath, folder.path() + "/Contents/Info.plist");
  return folder.path();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile info;
  static const testsupport::TempDir folder;
  static const std::string bundle = makeBundle(folder, info.path());
  info.write(data, size);
  install::RuntimeVersionInfo version{};
  install::platform_getFileVersion(bundle.c_str(), version);
  if (std::optional<platform::Bundle> read = platform::Bundle::bundleWithPath(bundle)) {
    read->executablePath();
    read->infoValue("CFBundleExecutable");
  }
  MacSystemVersion::FromVersionFile(info.path());
  return 0;
}
