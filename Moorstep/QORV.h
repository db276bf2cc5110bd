// Command-line rules, kept apart from how the platform stores its arguments.
#pragma once

namespace qorv {

// The process exit codes. Any other code is the exit status of the installer that was run.
enum QORVErrorCode : int {
  kSuccess = 0,
  kInvalidCommandLine = 2,
  kAppInstallerNotFound = 3,
  kAppInstallerUnusable = 5,
  kAllowDownloadMissing = 10,
  kRuntimeDownloadFailed = 11,
  kAppDirectoryMissing = 12,
  kSignatureInvalid = 13,
  kRuntimeUpdatesDisabled = 15,
};

class ParamCheckerCore {
 public:
  virtual ~ParamCheckerCore();
  virtual unsigned int GetOrigArgCount() = 0;
  virtual const char* GetOrigUtf8Arg(unsigned int index) = 0;
  virtual void PutValidatedUtf8Arg(const char* arg, bool isValue) = 0;
  virtual void PutRuntimeInstallerUtf8Path(const char* path) = 0;

  // Validates the arguments and forwards the accepted ones; false means stop with errorCode
  // (0 after "-version", 2 after the usage line).
  bool CheckParams(bool& allowDownload, bool& silent, QORVErrorCode& errorCode);
  void PrintNeedsAllowDownloadFlag();

 private:
  bool CheckSeveralParams(unsigned int count, bool& allowDownload, bool& silent);
};

}  // namespace qorv
