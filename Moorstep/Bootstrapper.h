#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Handles.h"
#include "platform/Notification.h"
#include "platform/OpenFile.h"
#include "platform/PropertyList.h"
#include "platform/TerminationSignals.h"

namespace qorv {
class ParamChecker;
}

namespace moorstep {

class AdminPolicy;
class Downloader;
class ErrorDialogController;
class SignatureVerification;

// The application delegate: runs once per launch and drives every step of the install, from
// the command line to the exit code.
class Bootstrapper : public platform::ApplicationDelegate {
 public:
  // processArguments: the whole argument list, program path first. mainBundle: the bundle the
  // executable runs from (nullopt when there is none).
  Bootstrapper(std::vector<std::string> processArguments,
               std::optional<platform::Bundle> mainBundle);
  ~Bootstrapper() override;
  Bootstrapper(const Bootstrapper&) = delete;
  Bootstrapper& operator=(const Bootstrapper&) = delete;

  void applicationDidFinishLaunching() override;
  // The command-line gate, then, for a run it lets through, the end with 11.
  void applicationCannotLaunch(const platform::DescriptorShortage& shortage) override;

  const std::string& appName() const { return appName_; }
  void setAppName(std::string name) { appName_ = std::move(name); }
  const std::string& localizedWindowTitle() const { return localizedWindowTitle_; }
  void setLocalizedWindowTitle(std::string title) { localizedWindowTitle_ = std::move(title); }
  // Connected by the main interface; the bootstrapper never creates or releases it.
  void setDownloader(Downloader* downloader) { downloader_ = downloader; }

  const std::optional<std::string>& appPath() const { return appPath_; }
  const std::optional<platform::PropertyList>& config() const { return config_; }
  // The folder that appPath would name: the resources joined with the application name.
  const std::string& appPathLookedFor() const { return appPathLookedFor_; }

  // The link-aware error dialog and the standard alert, titled with appName; both return when
  // the user has dismissed them.
  void showDialog(const std::string& message);
  void okAlert(const std::string& message);
  // The end of every run that started the download: message, end line, clean-up, exit.
  void cleanupAndExit(bool showDialog, int errCode, std::optional<std::string> exitMessage);

  int installWithRuntime(const std::string& location,
                         const std::optional<std::vector<std::string>>& args);
  void handleDownloaderDone(bool success, const std::vector<std::string>& files);
  void handleSignatureDone(bool valid, const void* signatureVerifier);
  // Adds execute permission for everyone to the open file.
  bool markAsExecutable(const platform::OpenFile& file);
  // Starts installer, the open file that was verified; launchPath names it in the log and argv.
  int installWithInstaller(const std::string& launchPath, const platform::OpenFile& installer,
                           const std::vector<std::string>& args);

 private:
  // Exits at once, as the checker decided, unless the command line lets the run go on.
  bool passesCommandLineGate(qorv::ParamChecker& checker, bool& allowDownload, bool& silent);
  void logBegin();
  void decideInstall(qorv::ParamChecker& checker, bool allowDownload, bool silent);
  void endRun(int code);
  // The installer and its signature from the current source, with the policy's limits.
  void downloadFromSource();
  // What SIGINT, SIGTERM and SIGHUP mean, whatever the phase: passed on to a running installer,
  // whose status then ends the run; Cancel while a progress window offers it (Ctrl-C only);
  // otherwise the end of the run, with clean-up and 128 + the signal's number.
  void handleTerminationSignal(const platform::ReceivedSignal& signal);
  void notifyDownloaderDone(const platform::Notification& notification);
  void notifySignatureDone(const platform::Notification& notification);
  // The revocation lists were cancelled: the run ends as a cancelled download.
  void handleVerificationCancelled(const void* signatureVerifier);

  std::vector<std::string> processArguments_;
  std::optional<platform::Bundle> mainBundle_;
  std::string exePath_;
  std::optional<std::string> appPath_;
  std::string appName_;
  std::optional<std::string> installerLaunchPath_;
  std::optional<platform::OpenFile> installer_;
  std::string localizedWindowTitle_;
  std::optional<platform::PropertyList> config_;
  std::string appPathLookedFor_;
  Downloader* downloader_ = nullptr;
  std::unique_ptr<SignatureVerification> verifier_;
  std::unique_ptr<ErrorDialogController> errorDialog_;
  std::unique_ptr<AdminPolicy> policy_;
  // The source that the current download comes from, an index of the policy's sources.
  std::size_t source_ = 0;
};

// The application name: the executable's file name less a leading "Install ".
std::string applicationNameFor(const std::string& executableFileName);

}  // namespace moorstep
