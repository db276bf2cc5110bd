#include "libinstall/InstallLogMsgs.h"

#include <glib.h>

#include <string_view>

#include "libinstall/LibInstall.h"
#include "libinstall/LogText.h"

namespace install {
namespace {
// Arguments that carry text from the network, the environment or the disk go through here.
std::string outside(const char* text) { return escapeLogText(text ? text : "(null)"); }

// A proxy's or a mirror's address may carry a user name and password. One that cannot be
// parsed loses whatever lies between its scheme and its last "@", which may hide more than the
// user information, never less.
std::string address(const char* url) {
  // Without a scheme libcurl reads an address (a proxy's, as often written) as an authority,
  // user information first; a parser would take the user name for a scheme.
  if (url && std::string_view(url).find("://") == std::string_view::npos) {
    const std::string_view text(url);
    const std::size_t at = text.rfind('@', text.find('/'));
    return outside(std::string(at == std::string_view::npos ? text : text.substr(at + 1)).c_str());
  }
  GUri* uri = url ? g_uri_parse(url, G_URI_FLAGS_ENCODED, nullptr) : nullptr;
  if (!uri) {
    std::string text = url ? url : "(null)";
    const std::size_t authority = text.find("://");
    const std::size_t at = text.rfind('@');
    if (authority != std::string::npos && at != std::string::npos && at > authority) {
      text.erase(authority + 3, at + 1 - (authority + 3));
    }
    return outside(text.c_str());
  }
  std::string text = url;
  if (g_uri_get_userinfo(uri)) {
    gchar* hidden = g_uri_to_string_partial(uri, G_URI_HIDE_USERINFO);
    text = hidden;
    g_free(hidden);
  }
  g_uri_unref(uri);
  return outside(text.c_str());
}
}  // namespace

void logApplicationBegin(const char* program, const char* version, const char* system,
                         const char* processor) {
  installLog(kSeverityNotice, "%s begin with version %s on %s %s", program,
             outside(version).c_str(), system, processor);
}

void logApplicationEnd(bool succeeded, const char* program, int exitCode) {
  installLog(succeeded ? kSeverityNotice : kSeverityError, "%s end with exit code %d", program,
             exitCode);
}

void logRuntimeInstalled(int major, int minor, int bugfix, int build, const char* location) {
  installLog(kSeverityNotice, "Installed runtime (%d.%d.%d.%d) located at %s", major, minor, bugfix,
             build, outside(location).c_str());
}

void logRuntimeNotInstalled() { installLog(kSeverityNotice, "No installed runtime detected"); }

void logImmediateUpdateDisabled() {
  installLog(kSeverityError,
             "Cannot complete installation because runtime updates are disabled on this machine");
}

void logSubprocessBegin(const char* commandLine) {
  installLog(kSeverityNotice, "Launching subprocess with commandline %s",
             outside(commandLine).c_str());
}

void logSubprocessSuccess(const char* name) {
  installLog(kSeverityNotice, "Subprocess %s succeeded", name);
}

void logSubprocessFailure(const char* name, int status) {
  installLog(kSeverityError, "Subprocess %s failed (%d)", name, status);
}

void logDownloadBegin(const char* kind, const char* url) {
  installLog(kSeverityNotice, "Begin %s download from %s", kind, address(url).c_str());
}

void logDownloadDest(const char* path) {
  installLog(kSeverityNotice, "Download destination is %s", outside(path).c_str());
}

void logDownloadSuccess() { installLog(kSeverityNotice, "Download success"); }

void logDownloadFailure(const char* reason) {
  installLog(kSeverityError, "Download failure: %s", outside(reason).c_str());
}

void logDownloadCancel() { installLog(kSeverityNotice, "Download cancelled"); }

void logDownloadRetry(int retry, int retries, const char* reason, long status, long long waitMs) {
  if (status > 0) {
    installLog(kSeverityNotice, "Download retry %d of %d in %lld ms after: HTTP %ld, %s", retry,
               retries, waitMs, status, outside(reason).c_str());
    return;
  }
  installLog(kSeverityNotice, "Download retry %d of %d in %lld ms after: %s", retry, retries,
             waitMs, outside(reason).c_str());
}

void logNoPrivateDownloadFolder() {
  installLog(kSeverityError, "No private download folder could be made");
}

void logDownloadStartsOver(const char* reason) {
  installLog(kSeverityNotice, "Download starts over: %s", outside(reason).c_str());
}

void logDownloadFailureAtProxy(const char* reason, const char* proxy) {
  installLog(kSeverityError, "Download failure: %s (proxy %s)", outside(reason).c_str(),
             address(proxy).c_str());
}

void logSigValid(const char* kind) { installLog(kSeverityNotice, "%s signature verified", kind); }

void logSigInvalid(const char* kind) {
  installLog(kSeverityError, "%s signature validation failed", kind);
}

void logSigInvalidReason(const char* reason) {
  installLog(kSeverityNotice, "Signature check: %s", outside(reason).c_str());
}

void logCouldNotLocateAppDir(const char* directory) {
  installLog(kSeverityError, "Could not locate native install directory (\"%s\")",
             outside(directory).c_str());
}

void logMissingAllowDownloadFlag() {
  // The shared sentence holds no conversion, so it serves as its own format.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
  installLog(kSeverityError, sAllowDownloadFlagMsg);
#pragma GCC diagnostic pop
}

void logTooFewDescriptors(int limit, int needed) {
  installLog(kSeverityError,
             "Too few file descriptors: at most %d may be open, a run needs %d (ulimit -n)", limit,
             needed);
}

void logExecutableNotFound() {
  installLog(kSeverityError,
             "Cannot locate the running program: /proc/self/exe cannot be read (is /proc "
             "mounted?)");
}

void logCertChainBegin() { installLog(kSeverityNotice, "Begin cert chain validation"); }

void logCertRevocationFound() { installLog(kSeverityNotice, "Cert revocation found"); }

void logCertChainSuccess() { installLog(kSeverityNotice, "Cert chain validation succeeded"); }

void logCertChainFailure() { installLog(kSeverityError, "Cert chain validation failed"); }

void logPolicyApplied(const char* file) {
  installLog(kSeverityNotice, "Policy file %s applied", outside(file).c_str());
}

void logPolicyUnreadable(const char* file, const char* reason) {
  installLog(kSeverityError, "Policy file %s cannot be read: %s", outside(file).c_str(),
             outside(reason).c_str());
}

void logPolicyUnknownSetting(const char* file, const char* key) {
  installLog(kSeverityNotice, "Policy file %s: unknown setting %s ignored", outside(file).c_str(),
             outside(key).c_str());
}

void logPolicyBadValue(const char* file, const char* key, const char* value) {
  // A list of sources is logged address by address, each without its user information.
  std::string shown;
  gchar** parts = g_strsplit(value ? value : "(null)", ";", -1);
  for (gchar** part = parts; *part; ++part) {
    if (part != parts) shown += ';';
    shown += address(*part);
  }
  g_strfreev(parts);
  installLog(kSeverityError, "Policy file %s: %s has a value that cannot be used: %s",
             outside(file).c_str(), outside(key).c_str(), shown.c_str());
}

}  // namespace install
