#pragma once

#include <string>

namespace platform {

inline constexpr char NSURLErrorDomain[] = "NSURLErrorDomain";

// Codes of the URL-loading error domain that the transfer reports.
enum UrlErrorCode : int {
  kUrlErrorUnknown = -1,
  kUrlErrorTimedOut = -1001,
  kUrlErrorUnsupportedURL = -1002,
  kUrlErrorCannotFindHost = -1003,
  kUrlErrorCannotConnectToHost = -1004,
  kUrlErrorNetworkConnectionLost = -1005,
  kUrlErrorHTTPTooManyRedirects = -1007,
  kUrlErrorNotConnectedToInternet = -1009,
  kUrlErrorBadServerResponse = -1011,
  kUrlErrorUserAuthenticationRequired = -1013,
  kUrlErrorFileDoesNotExist = -1100,
  kUrlErrorDataLengthExceedsMaximum = -1103,
  kUrlErrorSecureConnectionFailed = -1200,
  kUrlErrorCannotCreateFile = -3000,
  kUrlErrorCannotOpenFile = -3001,
  kUrlErrorCannotCloseFile = -3002,
  kUrlErrorCannotWriteToFile = -3003,
  kUrlErrorDecodingFailedMidStream = -3006,
  kUrlErrorDecodingFailedToComplete = -3007,
};

struct UrlError {
  std::string domain;
  int code = 0;
  std::string localizedDescription;
  std::string failingUrlString;

  // An error of the URL-loading domain with its English description, or with the given one where
  // the code alone would tell the user something else than what happened.
  static UrlError make(int code, std::string failingUrl, const char* description = nullptr);
};

}  // namespace platform
