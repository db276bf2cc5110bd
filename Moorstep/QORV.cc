#include "Moorstep/QORV.h"

#include <cstdio>
#include <cstring>

#include "libinstall/LibInstall.h"

namespace qorv {
namespace {
constexpr char kVersionText[] = "3.2.0.2060";
constexpr char kUsageText[] =
    "Available Options: -silent { -eulaAccepted ( -location <dir> ) -desktopShortcut "
    "-programMenu -allowDownload }";

bool is(const char* arg, const char* option) { return arg && std::strcmp(arg, option) == 0; }

void printUsage() { std::puts(kUsageText); }
}  // namespace

ParamCheckerCore::~ParamCheckerCore() = default;

bool ParamCheckerCore::CheckParams(bool& allowDownload, bool& silent, QORVErrorCode& errorCode) {
  allowDownload = false;
  silent = false;
  errorCode = kInvalidCommandLine;
  const unsigned int count = GetOrigArgCount();
  if (count == 0) {
    allowDownload = true;
    errorCode = kSuccess;
    return true;
  }
  if (count == 1) {
    const char* only = GetOrigUtf8Arg(0);
    if (is(only, "-version")) {
      std::puts(kVersionText);
      errorCode = kSuccess;
      return false;
    }
    if (is(only, "-silent")) {
      PutValidatedUtf8Arg("-silent", false);
      errorCode = kSuccess;
      return true;
    }
    printUsage();
    return false;
  }
  if (!CheckSeveralParams(count, allowDownload, silent)) {
    printUsage();
    return false;
  }
  errorCode = kSuccess;
  return true;
}

// "-silent" is optional among several arguments but must then come first, once; every other
// option may come anywhere, any number of times, and each occurrence is forwarded.
bool ParamCheckerCore::CheckSeveralParams(unsigned int count, bool& allowDownload, bool& silent) {
  bool misplacedSilent = false;
  for (unsigned int i = 0; i < count; ++i) {
    const char* arg = GetOrigUtf8Arg(i);
    if (is(arg, "-silent")) {
      misplacedSilent = i != 0;
      PutValidatedUtf8Arg("-silent", false);
      silent = true;
    } else if (is(arg, "-eulaAccepted") || is(arg, "-desktopShortcut") || is(arg, "-programMenu")) {
      PutValidatedUtf8Arg(arg, false);
    } else if (is(arg, "-location")) {
      if (++i >= count) return false;
      PutValidatedUtf8Arg("-location", false);
      // The directory is taken as it stands, even when it looks like an option.
      PutValidatedUtf8Arg(GetOrigUtf8Arg(i), true);
    } else if (is(arg, "-allowDownload")) {
      allowDownload = true;
    } else {
      return false;
    }
  }
  return !misplacedSilent;
}

void ParamCheckerCore::PrintNeedsAllowDownloadFlag() { std::puts(install::sAllowDownloadFlagMsg); }

}  // namespace qorv
