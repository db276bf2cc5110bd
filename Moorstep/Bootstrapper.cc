#include "Moorstep/Bootstrapper.h"

#include <filesystem>

#include "Moorstep/LocalizedStrings.h"
#include "Moorstep/Notifications.h"
#include "Moorstep/ParamChecker.h"
#include "platform/FileManager.h"
#include "platform/NotificationCenter.h"

namespace moorstep {
namespace fs = std::filesystem;

namespace {
constexpr char kInstallPrefix[] = "Install ";
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
  } else {
    appPathLookedFor_ = name;
  }
  if (platform::isDirectory(appPathLookedFor_)) appPath_ = appPathLookedFor_;

  auto& center = platform::NotificationCenter::defaultCenter();
  center.addObserver(this, INSTALLER_DOWNLOAD_NOTIFY_DONE, nullptr,
                     [this](const platform::Notification& n) { notifyDownloaderDone(n); });
  center.addObserver(this, SIGNATURE_VERIFY_NOTIFY_DONE, nullptr,
                     [this](const platform::Notification& n) { notifySignatureDone(n); });
}

Bootstrapper::~Bootstrapper() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void Bootstrapper::applicationDidFinishLaunching() {
  bool allowDownload = false;
  bool silent = false;
  qorv::QORVErrorCode errorCode = qorv::kInvalidCommandLine;
  qorv::ParamChecker checker(processArguments_);
  if (!checker.CheckParams(allowDownload, silent, errorCode)) {
    platform::exitProcess(errorCode);
    return;
  }
  // The install decision follows the gate; until it is in place an accepted command line ends
  // the run.
  platform::exitProcess(errorCode);
}

void Bootstrapper::notifyDownloaderDone(const platform::Notification& /*notification*/) {}

void Bootstrapper::notifySignatureDone(const platform::Notification& /*notification*/) {}

}  // namespace moorstep
