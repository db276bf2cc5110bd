#include "UrlError.h"

namespace platform {
namespace {
const char* describe(int code) {
  switch (code) {
    case kUrlErrorTimedOut:
      return "The request timed out.";
    case kUrlErrorUnsupportedURL:
      return "unsupported URL";
    case kUrlErrorCannotFindHost:
      return "A server with the specified hostname could not be found.";
    case kUrlErrorCannotConnectToHost:
      return "Could not connect to the server.";
    case kUrlErrorNetworkConnectionLost:
      return "The network connection was lost.";
    case kUrlErrorHTTPTooManyRedirects:
      return "too many HTTP redirects";
    case kUrlErrorNotConnectedToInternet:
      return "The network answered with a web page instead of the file; a sign-in to the network "
             "may be needed.";
    case kUrlErrorBadServerResponse:
      return "bad server response";
    case kUrlErrorUserAuthenticationRequired:
      return "The proxy asked for authentication that could not be given.";
    case kUrlErrorFileDoesNotExist:
      return "The requested URL was not found on this server.";
    case kUrlErrorDataLengthExceedsMaximum:
      return "resource exceeds maximum size";
    case kUrlErrorSecureConnectionFailed:
      return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case kUrlErrorCannotCreateFile:
      return "cannot create file";
    case kUrlErrorCannotOpenFile:
      return "cannot open file";
    case kUrlErrorCannotCloseFile:
      return "cannot close file";
    case kUrlErrorCannotWriteToFile:
      return "cannot write file";
    case kUrlErrorDecodingFailedMidStream:
      return "decoding failed mid-stream";
    case kUrlErrorDecodingFailedToComplete:
      return "decoding failed to complete";
    default:
      return "unknown error";
  }
}
}  // namespace

UrlError UrlError::make(int code, std::string failingUrl, const char* description) {
  return UrlError{NSURLErrorDomain, code, description ? description : describe(code),
                  std::move(failingUrl)};
}

}  // namespace platform
