// An information dictionary (Info.plist, Config.plist, a system version file) through the
// bundle and property-list readers and the version texts read from it.
#include <glib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/InputFile.h"
#include "libinstall/LinuxInstall.h"
#include "libinstall/MacSystemVersion.h"
#include "platform/Bundle.h"

namespace {
namespace fs = std::filesystem;

// An application bundle whose Contents/Info.plist is a link to the input.
class FuzzBundle {
 public:
  explicit FuzzBundle(const std::string& infoPath) {
    char* made = g_dir_make_tmp("moorstep-fuzz-XXXXXX", nullptr);
    if (!made) std::abort();
    folder_ = made;
    g_free(made);
    fs::create_directories(folder_ / "Contents" / "MacOS");
    fs::create_symlink(infoPath, folder_ / "Contents" / "Info.plist");
  }
  ~FuzzBundle() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string path() const { return folder_.string(); }

 private:
  fs::path folder_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile info;
  static const FuzzBundle bundle(info.path());
  info.write(data, size);
  install::RuntimeVersionInfo version{};
  install::platform_getFileVersion(bundle.path().c_str(), version);
  if (std::optional<platform::Bundle> read = platform::Bundle::bundleWithPath(bundle.path())) {
    read->executablePath();
    read->infoValue("CFBundleExecutable");
  }
  MacSystemVersion::FromVersionFile(info.path());
  return 0;
}
