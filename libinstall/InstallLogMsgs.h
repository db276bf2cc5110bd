// The catalogue of log lines: each event has its fixed text and severity here, and callers
// never format log text themselves.
#pragma once

namespace install {

void logApplicationBegin(const char* program, const char* version, const char* system,
                         const char* processor);
void logApplicationEnd(bool succeeded, const char* program, int exitCode);
void logRuntimeInstalled(int major, int minor, int bugfix, int build, const char* location);
void logRuntimeNotInstalled();
void logImmediateUpdateDisabled();
void logSubprocessBegin(const char* commandLine);
void logSubprocessSuccess(const char* name);
void logSubprocessFailure(const char* name, int status);
// The address is logged without its user information, which may hold a password.
void logDownloadBegin(const char* kind, const char* url);
void logDownloadDest(const char* path);
void logDownloadSuccess();
void logDownloadFailure(const char* reason);
void logDownloadCancel();
// One transfer failed for a reason that may pass; attempt retry of retries follows after
// waitMs. status: the HTTP status that failed the attempt, 0 when it was not an answer.
void logDownloadRetry(int retry, int retries, const char* reason, long status, long long waitMs);
void logNoPrivateDownloadFolder();
// What had arrived of a file is dropped, and the file is received from its start.
void logDownloadStartsOver(const char* reason);
// logDownloadFailure for a failure of the proxy, named without its user information.
void logDownloadFailureAtProxy(const char* reason, const char* proxy);
void logSigValid(const char* kind);
void logSigInvalid(const char* kind);
// Follows logSigInvalid with the verifier's reason for the refusal.
void logSigInvalidReason(const char* reason);
void logCouldNotLocateAppDir(const char* directory);
void logMissingAllowDownloadFlag();
// The process may open fewer descriptors than a run needs, even with its soft limit raised.
void logTooFewDescriptors(int limit, int needed);
// The program's own file, and so its bundle, cannot be found (/proc is needed for that).
void logExecutableNotFound();
void logCertChainBegin();
void logCertRevocationFound();
void logCertChainSuccess();
void logCertChainFailure();
void logPolicyApplied(const char* file);
void logPolicyUnreadable(const char* file, const char* reason);
// key: "[Group] Key", or "[Group]" for a whole group.
void logPolicyUnknownSetting(const char* file, const char* key);
void logPolicyBadValue(const char* file, const char* key, const char* value);

}  // namespace install
