#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/PrivateFolder.h"
#include "platform/RetryingDownload.h"
#include "platform/UrlDownload.h"
#include "platform/UrlDownloadDelegate.h"
#include "platform/ui/ProgressWindow.h"

namespace moorstep {

// Fetches a list of URLs one after the other into a private temporary folder and reports the
// whole list with one done notification, queued for when the loop is idle. While a list runs,
// a progress window shows unless the run is silent.
class Downloader : public platform::UrlDownloadDelegate {
 public:
  Downloader();
  ~Downloader() override;
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // A new list, with no error yet; its limits are gone until setMaxBytes gives new ones, and
  // file:// addresses are refused until allowFiles.
  void setUrlStrings(std::vector<std::string> urlStrings);
  // The list's file:// addresses are copied from the disk: an administrator's folder, never an
  // address that a server or a certificate names.
  void allowFiles() { transferOptions_.allowFiles = true; }
  // The most each file of the list may hold: the first value for the first URL and so on, the
  // last value for every URL after it.
  void setMaxBytes(std::vector<std::uint64_t> maxBytes) { maxBytes_ = std::move(maxBytes); }
  const std::vector<std::string>& urlStrings() const { return urlStrings_; }
  void setRuntimeArgs(const std::optional<std::vector<std::string>>& args);
  const std::vector<std::string>& runtimeArgs() const { return runtimeArgs_; }
  void setLocalizedPleaseWait(std::string text);
  const std::string& localizedPleaseWait() const { return localizedPleaseWait_; }
  void setLocalizedCancel(std::string text);
  const std::string& localizedCancel() const { return localizedCancel_; }
  void setIgnoreFailures(bool ignore) { ignoreFailures_ = ignore; }
  bool ignoreFailures() const { return ignoreFailures_; }
  void setSilent(bool silent) { silent_ = silent; }
  bool silent() const { return silent_; }
  void setLastError(std::optional<platform::UrlError> error) { lastError_ = std::move(error); }
  const std::optional<platform::UrlError>& lastError() const { return lastError_; }
  void setDownloadResponse(std::optional<platform::UrlResponse> response);

  // The observable progress of the current transfer, in percent.
  double currentProgressPercent() const { return currentProgressPercent_; }
  void setCurrentProgressPercent(double percent) { currentProgressPercent_ = percent; }
  // Key-value setting: changes the property and tells every observer.
  void setValueForCurrentProgressPercent(double percent);

  // The outlet of the progress window (not owned); its Cancel button acts on stopDownLoad.
  void setProgressWindow(platform::ui::ProgressWindow* window);

  void startDownload(const std::string& notificationName);
  // The runtime installer and its signature, each path after base, with their limits, reported
  // as INSTALLER_DOWNLOAD_NOTIFY_DONE. Base is an administrator's source: a file:// folder is
  // read from the disk.
  void startInstallerDownload(const std::string& base, const std::string& installerPath,
                              const std::string& signaturePath);
  // A list runs with its progress window and Cancel in front of the user: Ctrl-C means Cancel.
  bool offersCancel() const { return listRunning_ && !silent_ && progressWindow_; }
  void sendDoneNotfication(bool success);
  void cleanupTempFiles();
  void stopDownLoad();

  // The administrator's limits for every transfer: a rate in bytes per second (0: none), and
  // certificates that https hosts may show besides the system's.
  void setMaxRate(std::uint64_t bytesPerSecond) {
    transferOptions_.maxBytesPerSecond = bytesPerSecond;
  }
  void setExtraCaFile(std::optional<std::string> path) {
    transferOptions_.extraCaFile = std::move(path);
  }
  // The last list ended because it was stopped, not because a transfer failed.
  bool stopped() const { return stopped_; }

  // Tests shorten the time a transfer may go without receiving anything.
  void setIdleTimeout(std::chrono::milliseconds timeout) { transferOptions_.idleTimeout = timeout; }
  // Tests shorten the window in which a transfer must bring its minimum of bytes.
  void setRateWindow(std::chrono::milliseconds window) { transferOptions_.rateWindow = window; }
  // Tests shorten the waits between the attempts of a transfer, or make fewer attempts.
  void setRetryPolicy(platform::RetryingDownload::Policy policy) { retryPolicy_ = policy; }

  std::int32_t currentUrlIndex() const { return currentUrlIndex_; }
  std::int64_t bytesReceived() const { return bytesReceived_; }
  const std::vector<std::string>& resultPaths() const { return resultPaths_; }
  const std::vector<std::string>& cleanupPaths() const { return cleanupPaths_; }
  // The lock of the folder the files went to, -1 before there is one: a program started from
  // there inherits it, so that no later run removes the folder while the program runs.
  int folderLockDescriptor() const {
    return privateFolder_ ? privateFolder_->lockDescriptor() : -1;
  }

  // The transfer's reports.
  void willSendRequest(platform::UrlDownload& download, const std::string& newUrl) override;
  void didReceiveResponse(platform::UrlDownload& download,
                          const platform::UrlResponse& response) override;
  bool shouldDecodeSourceDataOfMIMEType(platform::UrlDownload& download,
                                        const std::string& mimeType) override;
  void decideDestinationWithSuggestedFilename(platform::UrlDownload& download,
                                              const std::string& filename) override;
  void didCreateDestination(platform::UrlDownload& download, const std::string& path) override;
  void didReceiveDataOfLength(platform::UrlDownload& download, std::uint64_t length) override;
  void didFinish(platform::UrlDownload& download) override;
  void didFailWithError(platform::UrlDownload& download, const platform::UrlError& error) override;
  void willRetry(platform::UrlDownload& download, int retry, int retries,
                 const platform::UrlError& reason, std::chrono::milliseconds wait) override;
  void willStartOver(platform::UrlDownload& download, const std::string& reason) override;

 private:
  void doingDownload(bool active);
  void resetProgress();
  // Past the transfer that ended: the next one when goOn and there is one, else the list's end.
  void advance(bool goOn, bool success);
  // No transfer could be made: the list ends at once with failure, skipped or not.
  void failToStart();
  // The run's private folder, made on first use; nullptr when none can be made.
  const platform::PrivateFolder* privateFolder();

  std::int64_t bytesReceived_ = 0;
  std::int64_t expectedBytes_ = 0;
  double currentProgressPercent_ = 0.0;
  std::int32_t currentUrlIndex_ = 0;
  std::vector<std::string> urlStrings_;
  std::vector<std::string> runtimeArgs_;
  std::unique_ptr<platform::RetryingDownload> urlDownload_;
  std::optional<platform::UrlResponse> urlResponse_;
  std::vector<std::string> resultPaths_;
  std::vector<std::string> cleanupPaths_;
  std::optional<platform::UrlError> lastError_;
  bool ignoreFailures_ = false;
  bool silent_ = false;
  std::string notificationName_;
  platform::ui::ProgressWindow* progressWindow_ = nullptr;
  std::string localizedPleaseWait_;
  std::string localizedCancel_;

  bool listRunning_ = false;
  bool stopped_ = false;
  std::optional<platform::PrivateFolder> privateFolder_;
  std::vector<std::uint64_t> maxBytes_;
  platform::UrlDownload::Options transferOptions_;
  platform::RetryingDownload::Policy retryPolicy_;
};

}  // namespace moorstep
