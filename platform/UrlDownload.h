#pragma once

#include <curl/curl.h>
#include <glib.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "DestinationFile.h"
#include "GzipDecoder.h"
#include "Handles.h"
#include "LocalCopy.h"
#include "ProxyLookup.h"
#include "RateWindow.h"
#include "RunningClock.h"
#include "UrlDownloadDelegate.h"

namespace platform {

// One HTTP transfer into a file (or the copy of a file:// address), driven by the run loop through
// libcurl's socket and timer callbacks: no thread, no polling. Each request, redirects included,
// takes its proxy from the desktop's settings (ProxyLookup). Redirects are followed (http and https
// only, at most 16), Content-Encoding is undone, an HTTP error status fails the transfer, and a
// transfer that receives nothing for the idle time-out, or too little for the rate window, fails
// with kUrlErrorTimedOut; time in which the process did not run counts for neither. What a hostile
// host sends is bounded by the options' limits. One transfer is one attempt: trying again is
// the owner's choice, and a Continuation carries on the file of an attempt that failed.
class UrlDownload {
 public:
  struct Options {
    std::chrono::milliseconds idleTimeout{std::chrono::seconds(30)};
    // The most the file may hold, counted after decoding: a declared length above it fails the
    // transfer before the destination is created, and no byte past it is written.
    std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max();
    // A transfer that brings fewer bytes than this off the wire (headers included, before any
    // decoding) in any window of rateWindow fails as timed out, however regularly they come.
    std::uint64_t minBytesPerWindow = 1024;
    std::chrono::milliseconds rateWindow{std::chrono::seconds(60)};
    // A failed transfer leaves its partial file open for takePartial() instead of removing it.
    bool keepPartialFile = false;
    // A redirect sent from outside this machine may not lead to it, to a link-local or to a
    // private address: whoever can forge a plain-HTTP answer could otherwise make us reach
    // services that listen only there. The start URL may lead anywhere.
    bool refuseInwardRedirects = false;
    // The most the transfer may receive per second over the network; 0 for no limit.
    std::uint64_t maxBytesPerSecond = 0;
    // A file:// start address is copied from the disk; otherwise it fails as unsupported, like
    // every scheme but http and https. Redirects never lead to a file.
    bool allowFiles = false;
    // Certificates that https hosts may show, trusted besides the system's.
    std::optional<std::string> extraCaFile;
    // An HTML page served as text/html fails the transfer: what was asked for is never a page,
    // and a network that wants a sign-in answers every address with one.
    bool refuseWebPages = false;
  };

  // The file of an attempt that failed, and how the next attempt may go on with it.
  struct Continuation {
    DestinationFile file;
    // The bytes that may stay, asked for no more with Range; 0 starts the file again.
    std::uint64_t offset = 0;
    // The ETag, else the Last-Modified date, that the rest must match (If-Range).
    std::string validator;
  };

  // Starts at once; the reports come later, from the loop. nullptr when no transfer could be
  // set up at all. With a continuation there is no destination to decide: a response that
  // carries on the file (206 from offset) is appended without being reported; any other
  // response starts the file again, and is reported.
  static std::unique_ptr<UrlDownload> start(const std::string& url, UrlDownloadDelegate& delegate,
                                            Options options,
                                            std::optional<Continuation> continuation = {});
  ~UrlDownload();
  UrlDownload(const UrlDownload&) = delete;
  UrlDownload& operator=(const UrlDownload&) = delete;

  // The delegate's answer to decideDestinationWithSuggestedFilename.
  void setDestination(const std::string& path, bool allowOverwrite);
  // Stops the transfer and removes its partial file; nothing is reported afterwards.
  void cancel();

  // After a failure, for the owner's next attempt: the partial file kept by keepPartialFile.
  std::optional<Continuation> takePartial();
  // The status of the last response other than a redirect; 0 before there was one.
  long statusCode() const { return status_; }
  // How long that response asked the client to wait before it tries again.
  std::optional<std::chrono::seconds> retryAfter() const { return retryAfter_; }
  // Why the next attempt cannot carry on what this one received; empty when it can.
  std::string startOverReason() const;
  // The transfer failed by the rate floor, not by the idle time-out: the host is there, and slow.
  bool tooSlow() const { return tooSlow_; }
  // After a failure: the proxy that refused or could not be reached, as it was given (with any
  // credentials); empty when the failure was not the proxy's.
  const std::string& failedProxy() const { return failedProxy_; }

 private:
  UrlDownload(std::string url, UrlDownloadDelegate& delegate, Options options,
              std::optional<Continuation> continuation);
  bool begin();
  bool askForTheRest();
  bool request(const std::string& url);
  bool copyLocal();
  bool takeLocal(const char* data, std::size_t length);
  void proxyResolved(std::optional<std::string> proxy);
  bool attach();

  static int onSocket(CURL* easy, curl_socket_t fd, int what, void* self, void* socketData);
  static int onTimer(CURLM* multi, long timeoutMs, void* self);
  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t onData(char* data, std::size_t size, std::size_t count, void* self);
  static int onProgress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);
  static int onConnected(void* self, char* peer, char* local, int peerPort, int localPort);
  static gboolean onSocketReady(gint fd, GIOCondition condition, gpointer self);
  static gboolean onCurlTimeout(gpointer self);
  static gboolean onIdleCheck(gpointer self);
  static gboolean onRateCheck(gpointer self);
  static gboolean onReport(gpointer self);
  static gboolean onResume(gpointer self);

  void act(curl_socket_t fd, int events);
  void drainCompleted();
  bool headerLine(std::string_view line);
  bool endOfHeaders();
  bool responseArrived(long status);
  bool localResponse();
  bool carriesOn();
  bool cannotContinue(const char* reason);
  bool startsAgain();
  bool sniff(std::string_view data);
  bool notAWebPage();
  bool redirectTo(const std::string& target);
  bool redirectedFromLoopback() const;
  void followRedirect();
  bool holdBack(std::size_t length);
  bool bodyOffTheWire() const;
  bool store(const char* data, std::size_t length);
  bool write(const char* data, std::size_t length);
  void arrived(std::uint64_t wireBytes);
  void complete(CURLcode result);
  void abortWith(int code, const char* description = nullptr);
  void blameProxy(CURLcode result);
  void stopTransfer();
  void detach();
  void armIdleCheck(std::chrono::milliseconds delay);
  void armRateCheck();
  std::string effectiveUrl() const;
  SourceId addSource(GSource* source, GSourceFunc callback);

  std::string url_;
  UrlDownloadDelegate& delegate_;
  Options options_;
  GMainContext* context_;
  CurlMultiPtr multi_;
  CurlEasyPtr easy_;
  std::unique_ptr<ProxyLookup> lookup_;
  // A file:// address is read by this rather than by libcurl, whose copy is one blocking call.
  std::unique_ptr<LocalCopy> localCopy_;
  std::optional<std::string> redirectTarget_;
  int redirects_ = 0;
  // The request may go through a proxy, whose address is then the connected one.
  bool proxied_ = false;
  // This request follows a redirect that may not lead inward.
  bool inwardBarred_ = false;
  // The proxy this request is given, if any, and whether it certainly goes through it (no
  // exceptions of libcurl's own could let it go straight to the host).
  std::string proxy_;
  bool surelyProxied_ = false;
  std::string failedProxy_;
  std::map<curl_socket_t, SourceId> watches_;
  SourceId curlTimer_;
  SourceId idleCheck_;
  std::optional<RunningClock> clock_;
  std::optional<RateWindow> rateWindow_;
  SourceId rateCheck_;
  curl_off_t bodyWireBytes_ = 0;
  SourceId report_;
  // Pacing to the rate limit: when the first body byte came, and the body bytes taken since.
  gint64 paceStart_ = 0;
  std::uint64_t paced_ = 0;
  SourceId resume_;
  gint64 lastActivity_ = 0;
  std::string contentDisposition_;
  std::string location_;
  bool contentEncoded_ = false;
  bool local_ = false;
  // The current response is a proxy's 407.
  bool proxyChallenge_ = false;
  std::string etag_;
  std::string lastModified_;
  std::string contentRange_;
  std::optional<std::chrono::seconds> retryAfter_;
  long status_ = 0;
  // The file goes on from written_, if the server's answer matches validator_.
  bool continuing_ = false;
  bool rangeAsked_ = false;
  std::string validator_;
  std::string startOver_;
  bool tooSlow_ = false;
  // The body's first bytes, while it may still turn out to be a web page.
  bool sniffing_ = false;
  std::string sniffed_;
  bool appendable_ = true;
  bool finished_ = false;
  CurlListPtr requestHeaders_;
  std::int64_t declaredLength_ = -1;
  std::uint64_t written_ = 0;
  std::optional<DestinationFile> file_;
  std::unique_ptr<GzipDecoder> decoder_;
  std::optional<UrlError> error_;
  bool attached_ = false;
  bool inCallback_ = false;
  bool cancelled_ = false;
};

}  // namespace platform
