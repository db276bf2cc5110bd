#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "UrlError.h"

namespace platform {

class UrlDownload;

struct UrlResponse {
  std::string url;  // the final URL, after redirects
  long statusCode = 0;
  std::int64_t expectedContentLength = -1;  // -1 when the response announces none
  std::string mimeType;                     // lower case, without parameters
  std::string suggestedFilename;            // one safe file name component
};

// What a transfer reports, always from the run loop and in this order: redirects, the response,
// the decode question, the destination question, the created destination, data, and exactly one
// of finished or failed. After cancel() nothing more is reported. The delegate may destroy the
// transfer only from its final report or from outside the transfer's own reports.
class UrlDownloadDelegate {
 public:
  virtual ~UrlDownloadDelegate() = default;
  virtual void willSendRequest(UrlDownload& download, const std::string& newUrl) = 0;
  virtual void didReceiveResponse(UrlDownload& download, const UrlResponse& response) = 0;
  virtual bool shouldDecodeSourceDataOfMIMEType(UrlDownload& download,
                                                const std::string& mimeType) = 0;
  // The delegate answers by calling download.setDestination().
  virtual void decideDestinationWithSuggestedFilename(UrlDownload& download,
                                                      const std::string& filename) = 0;
  virtual void didCreateDestination(UrlDownload& download, const std::string& path) = 0;
  virtual void didReceiveDataOfLength(UrlDownload& download, std::uint64_t length) = 0;
  virtual void didFinish(UrlDownload& download) = 0;
  virtual void didFailWithError(UrlDownload& download, const UrlError& error) = 0;
  // Only from a RetryingDownload: the attempt failed for a reason that may pass, and attempt
  // retry of retries follows after wait. The other reports of the transfer come once.
  virtual void willRetry(UrlDownload& /*download*/, int /*retry*/, int /*retries*/,
                         const UrlError& /*reason*/, std::chrono::milliseconds /*wait*/) {}
  // What had arrived of the file is dropped, for reason: the file is received from its start.
  virtual void willStartOver(UrlDownload& /*download*/, const std::string& /*reason*/) {}
};

}  // namespace platform
