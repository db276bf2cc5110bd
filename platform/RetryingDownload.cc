#include "RetryingDownload.h"

#include <algorithm>

#include "RunLoop.h"

namespace platform {
namespace {
// Statuses of a server that is busy or restarting, and of a request it gave up on.
bool isPassingStatus(long status) {
  switch (status) {
    case 408:
    case 429:
    case 500:
    case 502:
    case 503:
    case 504:
      return true;
    default:
      return false;
  }
}
}  // namespace

std::unique_ptr<RetryingDownload> RetryingDownload::start(const std::string& url,
                                                          UrlDownloadDelegate& delegate,
                                                          UrlDownload::Options options,
                                                          Policy policy) {
  options.keepPartialFile = true;
  std::unique_ptr<RetryingDownload> download(new RetryingDownload(url, delegate, options, policy));
  download->attempt_ = UrlDownload::start(url, *download, options);
  if (!download->attempt_) return nullptr;
  download->attemptsMade_ = 1;
  return download;
}

RetryingDownload::RetryingDownload(std::string url, UrlDownloadDelegate& delegate,
                                   UrlDownload::Options options, Policy policy)
    : url_(std::move(url)), delegate_(delegate), options_(options), policy_(policy) {}

RetryingDownload::~RetryingDownload() {
  if (next_) next_->file.remove();
}

void RetryingDownload::cancel() {
  wait_.reset();
  if (next_) next_->file.remove();
  next_.reset();
  if (attempt_) attempt_->cancel();
}

bool RetryingDownload::shouldRetry(const UrlDownload& attempt, const UrlError& error) const {
  if (attemptsMade_ >= policy_.attempts) return false;
  switch (error.code) {
    case kUrlErrorNetworkConnectionLost:
      return true;
    case kUrlErrorTimedOut:
      // A host that sends too little is there and slow: another attempt would only be as slow.
      return !attempt.tooSlow();
    case kUrlErrorCannotFindHost:
    case kUrlErrorCannotConnectToHost:
      return reachedServer_;
    case kUrlErrorBadServerResponse:
      // An answer that cannot carry on the file (206, 416) is followed by a request for all of it.
      return isPassingStatus(attempt.statusCode()) || !attempt.startOverReason().empty();
    default:
      return false;
  }
}

std::chrono::milliseconds RetryingDownload::waitAfter(const UrlDownload& attempt,
                                                      const UrlError& error) const {
  // The server is there and answers: only the question changes.
  if (error.code == kUrlErrorBadServerResponse && !attempt.startOverReason().empty()) {
    return std::chrono::milliseconds(0);
  }
  if (const auto asked = attempt.retryAfter()) {
    // Compared in the server's own unit: a number of seconds that the server chose could
    // overflow on the way to milliseconds.
    if (*asked > std::chrono::duration_cast<std::chrono::seconds>(policy_.longestServerWait)) {
      return policy_.longestServerWait;
    }
    return *asked;
  }
  return policy_.firstWait * (1 << std::min(attemptsMade_ - 1, 16));
}

void RetryingDownload::didFailWithError(UrlDownload& download, const UrlError& error) {
  reachedServer_ = reachedServer_ || download.statusCode() != 0;
  std::optional<UrlDownload::Continuation> partial = download.takePartial();
  if (!shouldRetry(download, error)) {
    if (partial) partial->file.remove();
    // The owner may end this object in its report: nothing here is touched after it.
    delegate_.didFailWithError(download, error);
    return;
  }
  next_ = std::move(partial);
  lastError_ = error;
  const std::chrono::milliseconds wait = waitAfter(download, error);
  delegate_.willRetry(download, attemptsMade_, policy_.attempts - 1, error, wait);
  const std::string restart = download.startOverReason();
  if (!restart.empty()) delegate_.willStartOver(download, restart);
  GMainContext* context = RunLoop::main().context();
  GSource* source = g_timeout_source_new(static_cast<guint>(wait.count()));
  g_source_set_callback(source, &RetryingDownload::onWaitOver, this, nullptr);
  wait_ = SourceId(context, g_source_attach(source, context));
  g_source_unref(source);
}

gboolean RetryingDownload::onWaitOver(gpointer self) {
  auto* download = static_cast<RetryingDownload*>(self);
  download->wait_.release();
  // The failed attempt stays until the next one runs: a failure to start is reported with it.
  std::unique_ptr<UrlDownload> failed = std::move(download->attempt_);
  download->attempt_ =
      UrlDownload::start(download->url_, *download, download->options_, std::move(download->next_));
  download->next_.reset();
  if (download->attempt_) {
    ++download->attemptsMade_;
    return G_SOURCE_REMOVE;
  }
  const UrlError error = *download->lastError_;
  download->delegate_.didFailWithError(*failed, error);
  return G_SOURCE_REMOVE;
}

void RetryingDownload::willSendRequest(UrlDownload& download, const std::string& newUrl) {
  delegate_.willSendRequest(download, newUrl);
}

void RetryingDownload::didReceiveResponse(UrlDownload& download, const UrlResponse& response) {
  delegate_.didReceiveResponse(download, response);
}

bool RetryingDownload::shouldDecodeSourceDataOfMIMEType(UrlDownload& download,
                                                        const std::string& mimeType) {
  return delegate_.shouldDecodeSourceDataOfMIMEType(download, mimeType);
}

void RetryingDownload::decideDestinationWithSuggestedFilename(UrlDownload& download,
                                                              const std::string& filename) {
  delegate_.decideDestinationWithSuggestedFilename(download, filename);
}

void RetryingDownload::didCreateDestination(UrlDownload& download, const std::string& path) {
  delegate_.didCreateDestination(download, path);
}

void RetryingDownload::didReceiveDataOfLength(UrlDownload& download, std::uint64_t length) {
  delegate_.didReceiveDataOfLength(download, length);
}

void RetryingDownload::didFinish(UrlDownload& download) { delegate_.didFinish(download); }

void RetryingDownload::willStartOver(UrlDownload& download, const std::string& reason) {
  delegate_.willStartOver(download, reason);
}

}  // namespace platform
