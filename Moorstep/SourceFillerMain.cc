// moorstep-fill-source: fills a folder that an administrator's policy can name as a download
// source, and a folder of revocation lists, for machines that install without a network.
#include <cstdio>
#include <string>
#include <vector>

#include "Moorstep/AdminPolicy.h"
#include "Moorstep/SourceFiller.h"
#include "libinstall/LibInstall.h"
#include "libinstall/LinuxInstall.h"
#include "libinstall/MacSystemVersion.h"

namespace {
constexpr char kUsage[] =
    "usage: moorstep-fill-source SOURCE_FOLDER LISTS_FOLDER [KERNEL_RELEASE...]\n"
    "Fetches the runtime installer and its signature for this system, or for the kernel\n"
    "releases given, into SOURCE_FOLDER, and the revocation lists their certificates name into\n"
    "LISTS_FOLDER, after verifying them as a run would.\n";

std::vector<install::PlatformInfo> platformsFor(int count, char** releases) {
  install::PlatformInfo here{};
  install::platform_getPlatformInfo(here);
  if (count == 0) return {here};
  std::vector<install::PlatformInfo> platforms;
  for (int i = 0; i < count; ++i) {
    const MacSystemVersion version = MacSystemVersion::FromKernelRelease(releases[i]);
    install::PlatformInfo platform = here;
    platform.major = version.major;
    platform.minor = version.minor;
    platform.bugfix = version.bugfix;
    platforms.push_back(platform);
  }
  return platforms;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::string(argv[1]).starts_with("-")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::optional<moorstep::AdminPolicy> policy = moorstep::AdminPolicy::load();
  if (!policy) {
    std::fputs("moorstep-fill-source: the policy file cannot be used (see the log)\n", stderr);
    return 11;
  }
  moorstep::SourceFiller filler(argv[1], argv[2], platformsFor(argc - 3, argv + 3),
                                std::move(*policy));
  return filler.run();
}
