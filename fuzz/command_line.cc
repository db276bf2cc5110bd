// The command-line checker over any argument list: the input's NUL-separated pieces follow the
// program path.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Moorstep/ParamChecker.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The usage line and the version go to standard output, which nobody reads here.
  static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
  (void)quiet;
  std::vector<std::string> arguments{"Install Sample"};
  if (size > 0) {
    for (std::string& piece :
         platform::splitString(std::string_view(reinterpret_cast<const char*>(data), size), '\0')) {
      arguments.push_back(std::move(piece));
    }
  }
  qorv::ParamChecker checker(arguments);
  bool allowDownload = false;
  bool silent = false;
  qorv::QORVErrorCode errorCode = qorv::kInvalidCommandLine;
  checker.CheckParams(allowDownload, silent, errorCode);
  return 0;
}
