#pragma once

#include <glib.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "Handles.h"
#include "UrlDownload.h"
#include "UrlDownloadDelegate.h"

namespace platform {

// One transfer that survives the failures of a real network: an attempt that fails for a
// reason that may pass (the connection lost, a time-out, a busy server) is tried again after a
// wait, carrying on its file where it can. The delegate sees one transfer: one response (again
// only when the file starts over), one destination, one finished or failed report, and a
// willRetry between attempts.
class RetryingDownload : private UrlDownloadDelegate {
 public:
  struct Policy {
    int attempts = 5;
    // Before the first retry; each further retry waits twice as long as the one before.
    std::chrono::milliseconds firstWait{std::chrono::seconds(1)};
    // The longest wait that a server's Retry-After may ask for.
    std::chrono::milliseconds longestServerWait{std::chrono::seconds(30)};
  };

  // nullptr when no transfer could be set up at all.
  static std::unique_ptr<RetryingDownload> start(const std::string& url,
                                                 UrlDownloadDelegate& delegate,
                                                 UrlDownload::Options options, Policy policy);
  ~RetryingDownload() override;
  RetryingDownload(const RetryingDownload&) = delete;
  RetryingDownload& operator=(const RetryingDownload&) = delete;

  // Stops the transfer, or the wait for its next attempt, and removes its partial file;
  // nothing is reported afterwards.
  void cancel();

 private:
  RetryingDownload(std::string url, UrlDownloadDelegate& delegate, UrlDownload::Options options,
                   Policy policy);
  bool shouldRetry(const UrlDownload& attempt, const UrlError& error) const;
  std::chrono::milliseconds waitAfter(const UrlDownload& attempt, const UrlError& error) const;
  static gboolean onWaitOver(gpointer self);

  void willSendRequest(UrlDownload& download, const std::string& newUrl) override;
  void didReceiveResponse(UrlDownload& download, const UrlResponse& response) override;
  bool shouldDecodeSourceDataOfMIMEType(UrlDownload& download,
                                        const std::string& mimeType) override;
  void decideDestinationWithSuggestedFilename(UrlDownload& download,
                                              const std::string& filename) override;
  void didCreateDestination(UrlDownload& download, const std::string& path) override;
  void didReceiveDataOfLength(UrlDownload& download, std::uint64_t length) override;
  void didFinish(UrlDownload& download) override;
  void didFailWithError(UrlDownload& download, const UrlError& error) override;
  void willStartOver(UrlDownload& download, const std::string& reason) override;

  std::string url_;
  UrlDownloadDelegate& delegate_;
  UrlDownload::Options options_;
  Policy policy_;
  // The attempt under way, or the one that failed while the next waits.
  std::unique_ptr<UrlDownload> attempt_;
  int attemptsMade_ = 0;
  // A server answered: a host that cannot be found or reached now is a network that went away.
  bool reachedServer_ = false;
  std::optional<UrlDownload::Continuation> next_;
  std::optional<UrlError> lastError_;
  SourceId wait_;
};

}  // namespace platform
