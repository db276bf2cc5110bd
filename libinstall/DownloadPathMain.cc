// moorstep-download-path: prints the folder, after the download host, where the bootstrapper on
// this machine asks for "installer" and "installer.p7". It forms the addresses with the
// bootstrapper's own code, so a publisher's server layout and the program cannot disagree.
#include <cstdio>
#include <string>
#include <string_view>

#include "libinstall/LibInstall.h"

int main() {
  char installer[512], signature[512];
  if (!install::getBootstrapperDownloadUrls(installer, sizeof installer, signature,
                                            sizeof signature)) {
    std::fputs("moorstep-download-path: no download address for this system\n", stderr);
    return 1;
  }
  constexpr std::string_view kFileName = "/installer";
  const std::string prefix = "http://" + install::downloadHost() + "/";
  const std::string_view url(installer);
  if (!url.starts_with(prefix) || !url.ends_with(kFileName)) {
    std::fputs("moorstep-download-path: unexpected address form\n", stderr);
    return 1;
  }
  const std::string_view folder =
      url.substr(prefix.size(), url.size() - prefix.size() - kFileName.size());
  std::printf("%.*s\n", static_cast<int>(folder.size()), folder.data());
  return 0;
}
