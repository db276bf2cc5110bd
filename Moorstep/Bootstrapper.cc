#include "Moorstep/Bootstrapper.h"

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "Moorstep/AdminPolicy.h"
#include "Moorstep/Downloader.h"
#include "Moorstep/ErrorDialogController.h"
#include "Moorstep/LocalizedStrings.h"
#include "Moorstep/Notifications.h"
#include "Moorstep/ParamChecker.h"
#include "Moorstep/SignatureVerification.h"
#include "libinstall/InstallLogMsgs.h"
#include "libinstall/LibInstall.h"
#include "libinstall/LinuxInstall.h"
#include "platform/FileManager.h"
#include "platform/NotificationCenter.h"
#include "platform/Task.h"
#include "platform/ui/UserInterface.h"

namespace moorstep {
namespace fs = std::filesystem;

namespace {
constexpr char kInstallPrefix[] = "Install ";
constexpr char kComponent[] = "Bootstrapper";
// What the begin line names when the bundle carries no version of its own.
constexpr char kUnknownVersion[] = "(unknown)";

std::string message(MessageId id) { return LocalizedStrings::getEmbeddedMessage(id).value_or(""); }

// Whether a failed list was ended by the network rather than by the server or this machine:
// then the user can do something about it (a proxy, or a network that wants a sign-in, too).
bool isNetworkFailure(const std::optional<platform::UrlError>& error) {
  if (!error || error->domain != platform::NSURLErrorDomain) return false;
  switch (error->code) {
    case platform::kUrlErrorCannotFindHost:
    case platform::kUrlErrorCannotConnectToHost:
    case platform::kUrlErrorNetworkConnectionLost:
    case platform::kUrlErrorTimedOut:
    case platform::kUrlErrorUserAuthenticationRequired:
    case platform::kUrlErrorNotConnectedToInternet:
      return true;
    default:
      return false;
  }
}

// The display name, then every argument followed by one blank; nothing is quoted.
std::string commandLine(const std::string& displayName, const std::vector<std::string>& argv) {
  std::string line = displayName;
  for (const std::string& arg : argv) line += arg + " ";
  return line;
}

void logSubprocessResult(const char* name, int status) {
  if (status == 0) {
    install::logSubprocessSuccess(name);
  } else {
    install::logSubprocessFailure(name, status);
  }
}
}  // namespace

std::string applicationNameFor(const std::string& executableFileName) {
  if (executableFileName.starts_with(kInstallPrefix)) {
    return executableFileName.substr(sizeof kInstallPrefix - 1);
  }
  return executableFileName;
}

Bootstrapper::Bootstrapper(std::vector<std::string> processArguments,
                           std::optional<platform::Bundle> mainBundle)
    : processArguments_(std::move(processArguments)), mainBundle_(std::move(mainBundle)) {
  exePath_ = processArguments_.empty() ? std::string() : processArguments_.front();
  setAppName(fs::path(exePath_).filename().string());
  const std::string name = applicationNameFor(appName_);
  setLocalizedWindowTitle(LocalizedStrings::getEmbeddedMessage(kMsgWindowTitlePrefix).value_or("") +
                          name);

  if (mainBundle_) {
    if (auto configPath = mainBundle_->pathForResource(CONFIG_PLIST_NAME, "plist")) {
      config_ = platform::PropertyList::readDictionary(*configPath);
    }
    appPathLookedFor_ = (fs::path(mainBundle_->resourcePath()) / name).string();
  }
  // A program path chosen by whoever started us must not turn the resource folder itself, or
  // its parent, into the application.
  const bool usableName = !name.empty() && name != "." && name != "..";
  if (usableName && platform::isDirectory(appPathLookedFor_)) appPath_ = appPathLookedFor_;

  auto& center = platform::NotificationCenter::defaultCenter();
  center.addObserver(this, INSTALLER_DOWNLOAD_NOTIFY_DONE, nullptr,
                     [this](const platform::Notification& n) { notifyDownloaderDone(n); });
  center.addObserver(this, SIGNATURE_VERIFY_NOTIFY_DONE, nullptr,
                     [this](const platform::Notification& n) { notifySignatureDone(n); });
  platform::TerminationSignals::shared().setHandler(
      [this](const platform::ReceivedSignal& signal) { handleTerminationSignal(signal); });
}

Bootstrapper::~Bootstrapper() {
  platform::TerminationSignals::shared().setHandler(nullptr);
  platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void Bootstrapper::applicationDidFinishLaunching() {
  bool allowDownload = false;
  bool silent = false;
  qorv::ParamChecker checker(processArguments_);
  if (passesCommandLineGate(checker, allowDownload, silent)) {
    decideInstall(checker, allowDownload, silent);
  }
}

void Bootstrapper::applicationCannotLaunch(const platform::DescriptorShortage& shortage) {
  bool allowDownload = false;
  bool silent = false;
  qorv::ParamChecker checker(processArguments_);
  if (passesCommandLineGate(checker, allowDownload, silent)) {
    logBegin();
    install::logTooFewDescriptors(shortage.limit, shortage.needed);
    endRun(qorv::kRuntimeDownloadFailed);
  }
}

bool Bootstrapper::passesCommandLineGate(qorv::ParamChecker& checker, bool& allowDownload,
                                         bool& silent) {
  qorv::QORVErrorCode errorCode = qorv::kInvalidCommandLine;
  if (checker.CheckParams(allowDownload, silent, errorCode)) return true;
  platform::exitProcess(errorCode);
  return false;
}

void Bootstrapper::logBegin() {
  const std::string version =
      (mainBundle_ ? mainBundle_->infoValue("CFBundleVersion") : std::nullopt)
          .value_or(kUnknownVersion);
  install::logApplicationBegin(kComponent, version.c_str(), "Mac", "x86");
}

void Bootstrapper::decideInstall(qorv::ParamChecker& checker, bool allowDownload, bool silent) {
  logBegin();
  // Without its bundle the run could only guess where the application is.
  if (!mainBundle_) {
    install::logExecutableNotFound();
    endRun(qorv::kRuntimeDownloadFailed);
    return;
  }
  std::optional<AdminPolicy> policy = AdminPolicy::load();
  if (!policy) {
    cleanupAndExit(true, qorv::kRuntimeDownloadFailed, message(kMsgInstallFailed));
    return;
  }
  policy_ = std::make_unique<AdminPolicy>(std::move(*policy));
  if (!appPath_) {
    install::logCouldNotLocateAppDir(appPathLookedFor_.c_str());
    endRun(qorv::kAppDirectoryMissing);
    return;
  }
  install::RuntimeVersionInfo info{};
  const bool found = install::getRuntimeVersion(info) == 0;
  if (!found) {
    install::logRuntimeNotInstalled();
  } else {
    const std::optional<std::string> location = install::getRuntimeLocation();
    install::logRuntimeInstalled(info.major, info.minor, info.bugfix, info.build,
                                 location.value_or("").c_str());
    if (info.major > 1 && location) {
      endRun(installWithRuntime(*location, checker.ParamArray()));
      return;
    }
  }
  if (!allowDownload) {
    install::logMissingAllowDownloadFlag();
    checker.PrintNeedsAllowDownloadFlag();
    endRun(qorv::kAllowDownloadMissing);
    return;
  }
  if (found && !install::canUpdateRuntime()) {
    install::logImmediateUpdateDisabled();
    showDialog(message(kMsgUpdateNotAllowed));
    endRun(qorv::kRuntimeUpdatesDisabled);
    return;
  }
  if (!downloader_) {
    install::logDownloadFailure("cannot form the runtime download address for this system");
    cleanupAndExit(true, qorv::kRuntimeDownloadFailed, message(kMsgRuntimeNotFound));
    return;
  }
  downloader_->setSilent(silent);
  downloader_->setLocalizedCancel(message(kMsgCancel));
  downloader_->setLocalizedPleaseWait(message(kMsgPleaseWait));
  downloader_->setRuntimeArgs(checker.ParamArray());
  downloader_->setMaxRate(policy_->maxRateBytesPerSecond());
  downloader_->setExtraCaFile(policy_->caFile());
  source_ = 0;
  downloadFromSource();
}

void Bootstrapper::downloadFromSource() {
  std::string installerPath, signaturePath;
  if (!install::getBootstrapperDownloadPaths(installerPath, signaturePath)) {
    // Ending here with the code of the accepted command line would report success for a run
    // that installed nothing: it ends as a download that could not be made.
    install::logDownloadFailure("cannot form the runtime download address for this system");
    cleanupAndExit(true, qorv::kRuntimeDownloadFailed, message(kMsgRuntimeNotFound));
    return;
  }
  downloader_->startInstallerDownload(policy_->sources()[source_], installerPath, signaturePath);
}

void Bootstrapper::handleTerminationSignal(const platform::ReceivedSignal& signal) {
  if (platform::Task* installer = platform::Task::waitedFor()) {
    installer->forward(signal);
    return;
  }
  if (signal.number == SIGINT && downloader_ && downloader_->offersCancel()) {
    downloader_->stopDownLoad();
    return;
  }
  // No message: whoever sent the signal asked for an end, not for a question.
  cleanupAndExit(false, 128 + signal.number, std::nullopt);
}

void Bootstrapper::endRun(int code) {
  install::logApplicationEnd(code == 0, kComponent, code);
  platform::exitProcess(code);
}

int Bootstrapper::installWithRuntime(const std::string& /*location*/,
                                     const std::optional<std::vector<std::string>>& args) {
  std::vector<std::string> argv = args.value_or(std::vector<std::string>{});
  argv.push_back(appPath_.value_or(""));
  install::logSubprocessBegin(commandLine("\"ZEL Application Installer\" ", argv).c_str());
  const int status = install::runAppInstaller(argv);
  logSubprocessResult("Application Installer", status);
  return status;
}

void Bootstrapper::showDialog(const std::string& text) {
  // The controller stays until the process exits.
  errorDialog_ = std::make_unique<ErrorDialogController>("ErrorDialog");
  errorDialog_->window();
  errorDialog_->setMessage(text, message(kMsgOK), appName_);
  errorDialog_->runModal();
}

void Bootstrapper::okAlert(const std::string& text) {
  platform::ui::defaultUserInterface().runAlert(appName_, text, message(kMsgOK));
}

void Bootstrapper::cleanupAndExit(bool showDialog, int errCode,
                                  std::optional<std::string> exitMessage) {
  if (errCode != 0) {
    if (showDialog) {
      const std::optional<platform::UrlError> error =
          downloader_ ? downloader_->lastError() : std::nullopt;
      if (error && error->domain == platform::NSURLErrorDomain &&
          error->code == platform::kUrlErrorFileDoesNotExist) {
        this->showDialog(message(kMsgUpdateNotAvailable));
      } else {
        okAlert(exitMessage ? *exitMessage : message(kMsgInstallFailed));
      }
    }
    install::logApplicationEnd(false, kComponent, errCode);
  } else {
    install::logApplicationEnd(true, kComponent, 0);
  }
  if (downloader_) downloader_->cleanupTempFiles();
  platform::exitProcess(errCode);
}

void Bootstrapper::notifyDownloaderDone(const platform::Notification& notification) {
  handleDownloaderDone(
      notification.boolValue(DOWNLOADER_KEY_SUCCESS),
      notification.stringListValue(DOWNLOADER_KEY_FILES).value_or(std::vector<std::string>{}));
}

void Bootstrapper::handleDownloaderDone(bool success, const std::vector<std::string>& files) {
  // A source that cannot deliver passes the turn to the next; one that delivers has its
  // signature judged, and that verdict is final.
  const bool anotherSource = policy_ && source_ + 1 < policy_->sources().size();
  if (!success && anotherSource && downloader_ && !downloader_->stopped()) {
    ++source_;
    downloadFromSource();
    return;
  }
  if (!success || files.size() != 2) {
    const bool network = !success && downloader_ && isNetworkFailure(downloader_->lastError());
    cleanupAndExit(true, qorv::kRuntimeDownloadFailed,
                   message(network ? kMsgDownloadFailed : kMsgRuntimeNotFound));
    return;
  }
  installerLaunchPath_ = files[0];
  // Verified, made executable and started through this one open file: whatever happens to the
  // name meanwhile, what runs is what was verified.
  installer_ = platform::OpenFile::open(files[0]);
  verifier_ = std::make_unique<SignatureVerification>();
  verifier_->setDownloader(downloader_);
  verifier_->setDataFile(installer_ ? installer_->descriptor() : -1);
  if (policy_) verifier_->setRevocationPolicy(policy_->revocation());
  verifier_->verifyDataAtPath(*installerLaunchPath_, files[1]);
}

void Bootstrapper::notifySignatureDone(const platform::Notification& notification) {
  if (notification.boolValue(SIGNATURE_KEY_DOWNLOAD_CANCELLED)) {
    handleVerificationCancelled(notification.object);
    return;
  }
  handleSignatureDone(notification.boolValue(SIGNATURE_KEY_IS_VALID), notification.object);
}

void Bootstrapper::handleVerificationCancelled(const void* signatureVerifier) {
  if (verifier_.get() == signatureVerifier) verifier_.reset();
  // As for a cancelled installer download: message 0, also when a revocation list that was not
  // found is the downloader's last error (which would make cleanupAndExit show message 8).
  okAlert(message(kMsgRuntimeNotFound));
  cleanupAndExit(false, qorv::kRuntimeDownloadFailed, std::nullopt);
}

void Bootstrapper::handleSignatureDone(bool valid, const void* signatureVerifier) {
  int code = valid ? 0 : qorv::kSignatureInvalid;
  if (verifier_.get() == signatureVerifier) verifier_.reset();
  if (code == 0) {
    if (installerLaunchPath_ && installer_ && markAsExecutable(*installer_)) {
      const int status =
          installWithInstaller(*installerLaunchPath_, *installer_, downloader_->runtimeArgs());
      cleanupAndExit(false, status, std::nullopt);
      return;
    }
    code = qorv::kRuntimeDownloadFailed;
  }
  cleanupAndExit(true, code, message(kMsgDownloadNotValid));
}

bool Bootstrapper::markAsExecutable(const platform::OpenFile& file) {
  struct stat status {};
  if (::fstat(file.descriptor(), &status) != 0) return false;
  return ::fchmod(file.descriptor(), (status.st_mode & 07777) | 0111) == 0;
}

int Bootstrapper::installWithInstaller(const std::string& launchPath,
                                       const platform::OpenFile& installer,
                                       const std::vector<std::string>& args) {
  std::vector<std::string> argv = args.empty() ? std::vector<std::string>{"-x1"} : args;
  argv.push_back(appPath_.value_or(""));
  install::logSubprocessBegin(commandLine("\"ZEL Runtime Installer\" ", argv).c_str());
  platform::Task task(launchPath, argv);
  task.setExecutableFile(installer.descriptor());
  // The installer holds its folder's lock too: if this process is killed, no later run may
  // sweep the folder it runs from.
  if (downloader_ && downloader_->folderLockDescriptor() >= 0) {
    task.setInheritedDescriptors({downloader_->folderLockDescriptor()});
  }
  if (!task.launch()) {
    // The installer never ran, so nothing else will tell the user that nothing was installed.
    logSubprocessResult("Runtime Installer", task.terminationStatus());
    okAlert(message(kMsgInstallFailed));
    return task.terminationStatus();
  }
  const int status = task.waitUntilExit();
  logSubprocessResult("Runtime Installer", status);
  return status;
}

}  // namespace moorstep
