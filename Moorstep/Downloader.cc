#include "Moorstep/Downloader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "Moorstep/DebugTrace.h"
#include "Moorstep/DownloadLimits.h"
#include "Moorstep/Notifications.h"
#include "libinstall/InstallLogMsgs.h"
#include "platform/NotificationQueue.h"

namespace moorstep {
namespace fs = std::filesystem;

namespace {
// No change is shown before this much of a transfer has arrived.
constexpr std::int64_t kProgressThresholdBytes = 16384;
}  // namespace

Downloader::Downloader() {
  setValueForCurrentProgressPercent(0.0);
  resultPaths_.reserve(10);
  cleanupPaths_.reserve(10);
}

Downloader::~Downloader() = default;

void Downloader::setUrlStrings(std::vector<std::string> urlStrings) {
  urlStrings_ = std::move(urlStrings);
  maxBytes_.clear();
  transferOptions_.allowFiles = false;
  currentUrlIndex_ = 0;
  resultPaths_.clear();
  stopped_ = false;
  lastError_.reset();
}

void Downloader::setRuntimeArgs(const std::optional<std::vector<std::string>>& args) {
  runtimeArgs_ = args.value_or(std::vector<std::string>{});
}

// The window's text and button title are bound to these properties.
void Downloader::setLocalizedPleaseWait(std::string text) {
  localizedPleaseWait_ = std::move(text);
  if (progressWindow_) progressWindow_->setText(localizedPleaseWait_);
}

void Downloader::setLocalizedCancel(std::string text) {
  localizedCancel_ = std::move(text);
  if (progressWindow_) progressWindow_->setCancelTitle(localizedCancel_);
}

void Downloader::setDownloadResponse(std::optional<platform::UrlResponse> response) {
  urlResponse_ = std::move(response);
}

void Downloader::setValueForCurrentProgressPercent(double percent) {
  setCurrentProgressPercent(percent);
  // The window's bar observes the property.
  if (progressWindow_) progressWindow_->setProgress(currentProgressPercent_);
}

void Downloader::setProgressWindow(platform::ui::ProgressWindow* window) {
  progressWindow_ = window;
  if (!window) return;
  window->setText(localizedPleaseWait_);
  window->setCancelTitle(localizedCancel_);
  window->setCancelAction([this] { stopDownLoad(); });
  window->setCancelEnabled(false);
}

void Downloader::startInstallerDownload(const std::string& base, const std::string& installerPath,
                                        const std::string& signaturePath) {
  setUrlStrings({base + installerPath, base + signaturePath});
  setMaxBytes({kMaxInstallerBytes, kMaxSignatureBytes});
  if (base.starts_with("file:")) allowFiles();
  startDownload(INSTALLER_DOWNLOAD_NOTIFY_DONE);
}

void Downloader::startDownload(const std::string& notificationName) {
  notificationName_ = notificationName;
  if (currentUrlIndex_ < 0 || static_cast<std::size_t>(currentUrlIndex_) >= urlStrings_.size()) {
    failToStart();
    return;
  }
  const std::string& urlString = urlStrings_[static_cast<std::size_t>(currentUrlIndex_)];
  DebugTrace("Info: URL is %@", urlString);
  resetProgress();
  const char* kind = nullptr;
  if (notificationName == INSTALLER_DOWNLOAD_NOTIFY_DONE) {
    kind = currentUrlIndex_ == 0 ? "runtime" : "signature";
  } else if (notificationName == CRL_DOWNLOAD_NOTIFY_DONE) {
    kind = "crl";
  }
  if (kind) install::logDownloadBegin(kind, urlString.c_str());
  platform::UrlDownload::Options options = transferOptions_;
  // Revocation lists travel over plain HTTP from hosts named in certificates.
  options.refuseInwardRedirects = notificationName == CRL_DOWNLOAD_NOTIFY_DONE;
  // Neither the installer nor its signature is ever a web page: such a page is the network's.
  options.refuseWebPages = notificationName == INSTALLER_DOWNLOAD_NOTIFY_DONE;
  if (!maxBytes_.empty()) {
    options.maxBytes = maxBytes_[std::min<std::size_t>(static_cast<std::size_t>(currentUrlIndex_),
                                                       maxBytes_.size() - 1)];
  }
  urlDownload_.reset();
  urlDownload_ = platform::RetryingDownload::start(urlString, *this, options, retryPolicy_);
  if (!urlDownload_) {
    failToStart();
    return;
  }
  listRunning_ = true;
  doingDownload(true);
}

void Downloader::failToStart() {
  // Without a transfer no report will ever come: waiting for one would hang the run, and going
  // on past it would drop a file that the list's owner asked for.
  install::logDownloadFailure("could not start download");
  doingDownload(false);
  sendDoneNotfication(false);
}

void Downloader::sendDoneNotfication(bool success) {
  listRunning_ = false;
  cleanupPaths_.insert(cleanupPaths_.end(), resultPaths_.begin(), resultPaths_.end());
  platform::NotificationQueue::defaultQueue().enqueueWhenIdle(
      {notificationName_,
       this,
       {{DOWNLOADER_KEY_SUCCESS, success}, {DOWNLOADER_KEY_FILES, resultPaths_}}});
}

void Downloader::cleanupTempFiles() {
  for (const std::string& path : cleanupPaths_) {
    std::error_code ignored;
    fs::remove(path, ignored);
  }
  cleanupPaths_.clear();
  if (privateFolder_) {
    privateFolder_->remove();
    privateFolder_.reset();
  }
}

void Downloader::stopDownLoad() {
  // The button is live only while a list runs; a late click must not end a list twice.
  if (!listRunning_) return;
  if (urlDownload_) urlDownload_->cancel();
  stopped_ = true;
  doingDownload(false);
  install::logDownloadCancel();
  sendDoneNotfication(false);
}

void Downloader::doingDownload(bool active) {
  if (progressWindow_) progressWindow_->setCancelEnabled(active);
  if (active) {
    if (!silent_ && progressWindow_) progressWindow_->makeKeyAndOrderFront();
    return;
  }
  if (progressWindow_) progressWindow_->close();
  resetProgress();
}

void Downloader::resetProgress() {
  bytesReceived_ = 0;
  if (progressWindow_) progressWindow_->setTransferred(0, expectedBytes_);
  setValueForCurrentProgressPercent(0.0);
}

const platform::PrivateFolder* Downloader::privateFolder() {
  // The platform's temporary folder is shared by every user, so the downloads get a folder of
  // their own that nobody else can enter.
  if (!privateFolder_) privateFolder_ = platform::PrivateFolder::make();
  return privateFolder_ ? &*privateFolder_ : nullptr;
}

void Downloader::willSendRequest(platform::UrlDownload&, const std::string& newUrl) {
  DebugTrace("Info: Redirecting to %@", newUrl);
}

void Downloader::didReceiveResponse(platform::UrlDownload&, const platform::UrlResponse& response) {
  // The window learns the new length with its new start, not the last transfer's.
  expectedBytes_ = response.expectedContentLength;
  resetProgress();
  setDownloadResponse(response);
}

bool Downloader::shouldDecodeSourceDataOfMIMEType(platform::UrlDownload&,
                                                  const std::string& mimeType) {
  const bool decode = mimeType == "application/gzip" || mimeType == "application/x-gzip";
  DebugTrace("Info: Asked to decode %@, response %d", mimeType, decode);
  return decode;
}

void Downloader::decideDestinationWithSuggestedFilename(platform::UrlDownload& download,
                                                        const std::string& filename) {
  const platform::PrivateFolder* folder = privateFolder();
  if (!folder) {
    // Anywhere else, files named by the server could land among the user's own: the transfer
    // fails for want of a destination.
    install::logNoPrivateDownloadFolder();
    return;
  }
  download.setDestination((fs::path(folder->path()) / filename).string(), false);
}

void Downloader::didCreateDestination(platform::UrlDownload&, const std::string& path) {
  // Named only now: when the name is taken, the file created is not the one asked for.
  install::logDownloadDest(path.c_str());
  resultPaths_.push_back(path);
  DebugTrace("Info: Downloading to %@", path);
}

void Downloader::didReceiveDataOfLength(platform::UrlDownload&, std::uint64_t length) {
  bytesReceived_ += static_cast<std::int64_t>(length);
  if (progressWindow_) progressWindow_->setTransferred(bytesReceived_, expectedBytes_);
  if (expectedBytes_ <= 0) return;
  if (bytesReceived_ <= kProgressThresholdBytes) return;
  setValueForCurrentProgressPercent(static_cast<double>(bytesReceived_) /
                                    static_cast<double>(expectedBytes_) * 100.0);
}

void Downloader::didFinish(platform::UrlDownload&) {
  // Giving up the transfer destroys the object that is reporting; it is not used again here.
  urlDownload_.reset();
  install::logDownloadSuccess();
  if (urlResponse_) {
    DebugTrace("Info: Successfully download %qi bytes of type %@",
               urlResponse_->expectedContentLength, urlResponse_->mimeType);
  }
  advance(true, true);
}

void Downloader::didFailWithError(platform::UrlDownload& download,
                                  const platform::UrlError& error) {
  // Read first: giving up the transfer destroys the attempt that reports.
  const std::string proxy = download.failedProxy();
  urlDownload_.reset();
  setLastError(error);
  if (proxy.empty()) {
    install::logDownloadFailure(error.localizedDescription.c_str());
  } else {
    install::logDownloadFailureAtProxy(error.localizedDescription.c_str(), proxy.c_str());
  }
  DebugTrace("Error: Download failed.  Error - %@ %@", error.localizedDescription,
             error.failingUrlString);
  // A host that sends more than a file may hold is hostile, not missing: its list ends even
  // when failures are ignored.
  const bool goOn = ignoreFailures_ && error.code != platform::kUrlErrorDataLengthExceedsMaximum;
  advance(goOn, goOn);
}

void Downloader::willRetry(platform::UrlDownload& download, int retry, int retries,
                           const platform::UrlError& reason, std::chrono::milliseconds wait) {
  // An answer that failed the attempt is named by its status.
  const long status =
      reason.code == platform::kUrlErrorBadServerResponse ? download.statusCode() : 0;
  install::logDownloadRetry(retry, retries, reason.localizedDescription.c_str(), status,
                            wait.count());
}

void Downloader::willStartOver(platform::UrlDownload&, const std::string& reason) {
  install::logDownloadStartsOver(reason.c_str());
}

void Downloader::advance(bool goOn, bool success) {
  ++currentUrlIndex_;
  if (goOn && static_cast<std::size_t>(currentUrlIndex_) < urlStrings_.size()) {
    resetProgress();
    startDownload(notificationName_);
    return;
  }
  doingDownload(false);
  sendDoneNotfication(success);
}

}  // namespace moorstep
