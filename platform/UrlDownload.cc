#include "UrlDownload.h"

#include <glib-unix.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "HeaderLine.h"
#include "NetworkAddress.h"
#include "RunLoop.h"
#include "SuggestedFilename.h"
#include "WebPage.h"

namespace platform {
namespace {
constexpr int kMaxRedirects = 16;
constexpr long kReceiveBufferBytes = 128 * 1024;
// How often the loop shows that the process runs, at most: a pause must be told from a stall.
constexpr std::chrono::milliseconds kLongestBeat{1000};
constexpr char kInwardRefused[] = "A redirect to this machine or its local network was refused.";

void initialiseCurlOnce() {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)initialised;
}

int urlErrorFor(CURLcode result) {
  switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return kUrlErrorUnsupportedURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kUrlErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
      return kUrlErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
      return kUrlErrorTimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
      return kUrlErrorHTTPTooManyRedirects;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      return kUrlErrorNetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return kUrlErrorBadServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      return kUrlErrorSecureConnectionFailed;
    case CURLE_BAD_CONTENT_ENCODING:
      return kUrlErrorDecodingFailedMidStream;
    case CURLE_WRITE_ERROR:
      return kUrlErrorCannotWriteToFile;
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return kUrlErrorFileDoesNotExist;
    default:
      return kUrlErrorUnknown;
  }
}

// The host of url as written: a name, an IPv4 address or a bracketed IPv6 one.
std::string hostOf(const std::string& url) {
  std::unique_ptr<CURLU, FreeWith<curl_url_cleanup>> parsed(curl_url());
  char* host = nullptr;
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
      curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) {
    return {};
  }
  std::string result(host);
  curl_free(host);
  return result;
}

// libcurl answers "localhost" itself, always with a loopback address.
bool isLoopbackHost(const std::string& host) {
  return NetworkAddress::isLoopback(host) || lowerTrimmed(host) == "localhost";
}

bool isInwardHost(const std::string& host) {
  return NetworkAddress::isInward(host) || isLoopbackHost(host);
}

// Whether libcurl may take a proxy from the environment: then the connected address may be the
// proxy's rather than the host's.
bool proxyVariablesSet() {
  for (const char* name :
       {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

std::string schemeOf(const std::string& url) { return lowerTrimmed(url.substr(0, url.find(':'))); }

// The proxy that libcurl takes from the environment for url, in its order; empty for none.
std::string environmentProxy(const std::string& url) {
  const std::string scheme = schemeOf(url);
  std::string upper = scheme + "_PROXY";
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // libcurl reads http_proxy in lower case only: HTTP_PROXY is what a CGI request's header sets.
  for (const std::string& name : {scheme + "_proxy", scheme == "http" ? std::string() : upper,
                                  std::string("all_proxy"), std::string("ALL_PROXY")}) {
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value && *value) return value;
  }
  return {};
}

bool noProxyExceptions() {
  for (const char* name : {"no_proxy", "NO_PROXY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

bool isHttpUrl(const std::string& url) {
  const std::string scheme = schemeOf(url);
  return scheme == "http" || scheme == "https";
}

// Whether the filesystem of path's folder has room for length more bytes.
bool hasRoomFor(const std::string& path, std::uint64_t length) {
  struct statvfs info {};
  // Where the question cannot be answered, creating and writing the file will tell.
  if (::statvfs(std::filesystem::path(path).parent_path().c_str(), &info) != 0) return true;
  return length / info.f_frsize < info.f_bavail;
}

// A validator goes back to the server in a request header: nothing that could end the line.
bool isHeaderSafe(std::string_view value) {
  return std::all_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; });
}

std::string resolveUrl(const std::string& base, const std::string& relative) {
  std::unique_ptr<CURLU, FreeWith<curl_url_cleanup>> url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_URL, relative.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
          CURLUE_OK) {
    return relative;
  }
  char* resolved = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &resolved, 0) != CURLUE_OK) return relative;
  std::string result(resolved);
  curl_free(resolved);
  return result;
}
}  // namespace

std::unique_ptr<UrlDownload> UrlDownload::start(const std::string& url,
                                                UrlDownloadDelegate& delegate, Options options,
                                                std::optional<Continuation> continuation) {
  std::unique_ptr<UrlDownload> download(
      new UrlDownload(url, delegate, options, std::move(continuation)));
  if (!download->begin()) return nullptr;
  return download;
}

UrlDownload::UrlDownload(std::string url, UrlDownloadDelegate& delegate, Options options,
                         std::optional<Continuation> continuation)
    : url_(std::move(url)),
      delegate_(delegate),
      options_(options),
      context_(RunLoop::main().context()) {
  if (!continuation) return;
  file_ = std::move(continuation->file);
  written_ = continuation->offset;
  validator_ = std::move(continuation->validator);
  continuing_ = true;
}

UrlDownload::~UrlDownload() {
  report_.reset();
  if (file_ && !finished_) file_->remove();
  stopTransfer();
  // Closing cached connections calls back into watches_, so libcurl goes first.
  easy_.reset();
  multi_.reset();
  watches_.clear();
}

bool UrlDownload::begin() {
  initialiseCurlOnce();
  multi_.reset(curl_multi_init());
  easy_.reset(curl_easy_init());
  if (!multi_ || !easy_) return false;
  CURL* easy = easy_.get();
  // Redirects are followed here, not by libcurl: each target gets its own proxy lookup. A
  // folder on disk is a source too, but only as the address a transfer starts from.
  local_ = options_.allowFiles && schemeOf(url_) == "file";
  bool ok =
      curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, local_ ? "file" : "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK;
  // Whatever scheme a proxy asks for is answered, with the credentials of its address. Without
  // any, the empty ones let libcurl offer the user's Kerberos ticket; a proxy that wants a
  // password then refuses them, and the transfer fails without asking anybody.
  ok = ok && curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, ":") == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_MAX_RECV_SPEED_LARGE,
                              static_cast<curl_off_t>(options_.maxBytesPerSecond)) == CURLE_OK;
  // Added to the system's certificates: libcurl keeps its default folder of them.
  if (options_.extraCaFile) {
    ok = ok && curl_easy_setopt(easy, CURLOPT_CAINFO, options_.extraCaFile->c_str()) == CURLE_OK;
  }
  ok = ok && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferBytes) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_USERAGENT, "Moorstep/3.2.0.2060") == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &UrlDownload::onHeader) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &UrlDownload::onData) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &UrlDownload::onProgress) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &UrlDownload::onConnected) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_PREREQDATA, this) == CURLE_OK;
  CURLM* multi = multi_.get();
  ok = ok && curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &UrlDownload::onSocket) == CURLM_OK;
  ok = ok && curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this) == CURLM_OK;
  ok = ok && curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &UrlDownload::onTimer) == CURLM_OK;
  ok = ok && curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this) == CURLM_OK;
  if (!ok || (continuing_ && !askForTheRest())) return false;
  clock_.emplace(std::clamp(options_.idleTimeout / 8, std::chrono::milliseconds(10), kLongestBeat));
  lastActivity_ = clock_->now();
  armIdleCheck(options_.idleTimeout);
  rateWindow_.emplace(options_.rateWindow, options_.minBytesPerWindow, lastActivity_);
  armRateCheck();
  return local_ ? copyLocal() : request(url_);
}

bool UrlDownload::askForTheRest() {
  if (written_ == 0 || validator_.empty()) {
    written_ = 0;
    return file_->truncate();
  }
  CurlListPtr headers(curl_slist_append(nullptr, ("If-Range: " + validator_).c_str()));
  // Bytes decoded from an encoding cannot be matched to a range of the encoded ones.
  curl_slist* full =
      headers ? curl_slist_append(headers.get(), "Accept-Encoding: identity") : nullptr;
  if (!full) return false;
  requestHeaders_ = std::move(headers);
  const std::string range = std::to_string(written_) + "-";
  rangeAsked_ = true;
  return curl_easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, requestHeaders_.get()) == CURLE_OK &&
         curl_easy_setopt(easy_.get(), CURLOPT_RANGE, range.c_str()) == CURLE_OK;
}

bool UrlDownload::request(const std::string& url) {
  bodyWireBytes_ = 0;
  if (curl_easy_setopt(easy_.get(), CURLOPT_URL, url.c_str()) != CURLE_OK) return false;
  proxied_ = proxyVariablesSet();
  proxy_ = environmentProxy(url);
  surelyProxied_ = !proxy_.empty() && !noProxyExceptions();
  if (isHttpUrl(url)) {
    lookup_ = ProxyLookup::start(
        url, [this](std::optional<std::string> proxy) { proxyResolved(std::move(proxy)); });
  }
  return lookup_ || attach();
}

bool UrlDownload::copyLocal() {
  const GCharPtr path(g_filename_from_uri(url_.c_str(), nullptr, nullptr));
  int code = kUrlErrorUnsupportedURL;
  if (path) localCopy_ = LocalCopy::open(path.get(), options_.maxBytes, &code);
  if (!localCopy_) {
    // Reported from the loop, as every failure is.
    abortWith(code);
    return true;
  }
  localCopy_->start(
      [this](const char* data, std::size_t length) { return takeLocal(data, length); },
      [this](int error) {
        if (error != 0 && !error_) error_ = UrlError::make(error, url_);
        complete(error != 0 ? CURLE_READ_ERROR : CURLE_OK);
      });
  return true;
}

bool UrlDownload::takeLocal(const char* data, std::size_t length) {
  arrived(length);
  if (store(data, length)) return true;
  if (!cancelled_) complete(CURLE_WRITE_ERROR);
  return false;
}

void UrlDownload::proxyResolved(std::optional<std::string> proxy) {
  lookup_.reset();
  if (proxy) {
    proxied_ = surelyProxied_ = true;
    proxy_ = *proxy;
  }
  CURL* easy = easy_.get();
  // Without a proxy of the resolver's, libcurl's own handling of the variables applies; with
  // one, the resolver has already applied its exceptions (ignore-hosts, no_proxy).
  bool ok = curl_easy_setopt(easy, CURLOPT_PROXY, proxy ? proxy->c_str() : nullptr) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_NOPROXY, proxy ? "" : nullptr) == CURLE_OK;
  if (!ok || !attach()) abortWith(kUrlErrorUnknown);
}

bool UrlDownload::attach() {
  if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) return false;
  attached_ = true;
  return true;
}

SourceId UrlDownload::addSource(GSource* source, GSourceFunc callback) {
  g_source_set_callback(source, callback, this, nullptr);
  const guint id = g_source_attach(source, context_);
  g_source_unref(source);
  return SourceId(context_, id);
}

int UrlDownload::onSocket(CURL*, curl_socket_t fd, int what, void* self, void*) {
  auto* download = static_cast<UrlDownload*>(self);
  if (what == CURL_POLL_REMOVE) {
    download->watches_.erase(fd);
    return 0;
  }
  int condition = G_IO_ERR | G_IO_HUP;
  if (what & CURL_POLL_IN) condition |= G_IO_IN;
  if (what & CURL_POLL_OUT) condition |= G_IO_OUT;
  // The wanted events changed: the old watch goes, a new one takes its place.
  download->watches_[fd] =
      download->addSource(g_unix_fd_source_new(fd, static_cast<GIOCondition>(condition)),
                          G_SOURCE_FUNC(&UrlDownload::onSocketReady));
  return 0;
}

int UrlDownload::onTimer(CURLM*, long timeoutMs, void* self) {
  auto* download = static_cast<UrlDownload*>(self);
  if (timeoutMs < 0) {
    download->curlTimer_.reset();
    return 0;
  }
  // libcurl is never called from here: even a zero time-out goes through the loop.
  download->curlTimer_ = download->addSource(g_timeout_source_new(static_cast<guint>(timeoutMs)),
                                             &UrlDownload::onCurlTimeout);
  return 0;
}

gboolean UrlDownload::onSocketReady(gint fd, GIOCondition condition, gpointer self) {
  int events = 0;
  if (condition & G_IO_IN) events |= CURL_CSELECT_IN;
  if (condition & G_IO_OUT) events |= CURL_CSELECT_OUT;
  if (condition & (G_IO_ERR | G_IO_HUP)) events |= CURL_CSELECT_ERR;
  static_cast<UrlDownload*>(self)->act(fd, events);
  return G_SOURCE_CONTINUE;
}

gboolean UrlDownload::onCurlTimeout(gpointer self) {
  auto* download = static_cast<UrlDownload*>(self);
  download->curlTimer_.release();
  download->act(CURL_SOCKET_TIMEOUT, 0);
  return G_SOURCE_REMOVE;
}

void UrlDownload::act(curl_socket_t fd, int events) {
  int running = 0;
  inCallback_ = true;
  curl_multi_socket_action(multi_.get(), fd, events, &running);
  inCallback_ = false;
  if (cancelled_) {
    stopTransfer();
    return;
  }
  drainCompleted();
}

void UrlDownload::drainCompleted() {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
    if (message->msg == CURLMSG_DONE) {
      complete(message->data.result);
      return;
    }
  }
}

std::size_t UrlDownload::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* download = static_cast<UrlDownload*>(self);
  download->arrived(size * count);
  return download->headerLine(std::string_view(data, size * count)) ? size * count : 0;
}

bool UrlDownload::headerLine(std::string_view line) {
  if (cancelled_) return false;
  if (line.starts_with("HTTP/")) {
    proxyChallenge_ = false;
    contentDisposition_.clear();
    location_.clear();
    contentEncoded_ = false;
    etag_.clear();
    lastModified_.clear();
    contentRange_.clear();
    retryAfter_.reset();
    return true;
  }
  if (line == "\r\n" || line == "\n") return endOfHeaders();
  const std::optional<HeaderField> field = parseHeaderLine(line);
  if (!field) return true;
  if (field->name == "content-disposition") contentDisposition_ = field->value;
  if (field->name == "location") location_ = field->value;
  if (field->name == "content-encoding") contentEncoded_ = lowerTrimmed(field->value) != "identity";
  // A weak tag cannot vouch for a range of bytes.
  if (field->name == "etag" && !field->value.starts_with("W/") && isHeaderSafe(field->value)) {
    etag_ = field->value;
  }
  if (field->name == "last-modified" && isHeaderSafe(field->value)) lastModified_ = field->value;
  if (field->name == "content-range") contentRange_ = lowerTrimmed(field->value);
  if (field->name == "retry-after") retryAfter_ = parseRetryAfter(field->value);
  return true;
}

bool UrlDownload::endOfHeaders() {
  long status = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status < 200) return true;  // an interim response; the real one follows
  // libcurl answers the challenge with a new request of its own; only when it cannot does the
  // body of the challenge arrive, or the transfer end on it.
  if (status == 407) {
    proxyChallenge_ = true;
    return true;
  }
  if (status >= 300 && status < 400 && !location_.empty()) {
    return redirectTo(resolveUrl(effectiveUrl(), location_));
  }
  status_ = status;
  if (status == 416 && rangeAsked_) {
    return cannotContinue("the server has not the rest that was asked for");
  }
  if (status >= 300) {
    const bool missing = status == 404 || status == 410;
    error_ = UrlError::make(missing ? kUrlErrorFileDoesNotExist : kUrlErrorBadServerResponse,
                            effectiveUrl());
    return false;
  }
  return responseArrived(status);
}

// Only redirects that will be followed are reported.
bool UrlDownload::redirectTo(const std::string& target) {
  if (!isHttpUrl(target)) {
    error_ = UrlError::make(kUrlErrorUnsupportedURL, target);
    return false;
  }
  // Whoever can forge a plain-HTTP answer would otherwise serve the rest of the transfer.
  if (schemeOf(effectiveUrl()) == "https" && schemeOf(target) == "http") {
    error_ = UrlError::make(kUrlErrorUnsupportedURL, target,
                            "A redirect from an https address to an http one was refused.");
    return false;
  }
  if (redirects_ >= kMaxRedirects) {
    error_ = UrlError::make(kUrlErrorHTTPTooManyRedirects, effectiveUrl());
    return false;
  }
  // A name is checked again once connected (onConnected): it may resolve to anything.
  inwardBarred_ = options_.refuseInwardRedirects && !redirectedFromLoopback();
  if (inwardBarred_ && isInwardHost(hostOf(target))) {
    error_ = UrlError::make(kUrlErrorCannotConnectToHost, target, kInwardRefused);
    return false;
  }
  delegate_.willSendRequest(*this, target);
  if (cancelled_) return false;
  redirectTarget_ = target;
  return true;
}

bool UrlDownload::redirectedFromLoopback() const {
  // Through a proxy only the address as written is known of the host that answered.
  if (proxied_) return isLoopbackHost(hostOf(effectiveUrl()));
  char* peer = nullptr;
  return curl_easy_getinfo(easy_.get(), CURLINFO_PRIMARY_IP, &peer) == CURLE_OK && peer &&
         NetworkAddress::isLoopback(peer);
}

// Called once connected, before the request is sent.
int UrlDownload::onConnected(void* self, char* peer, char*, int, int) {
  auto* download = static_cast<UrlDownload*>(self);
  if (!download->inwardBarred_ || download->proxied_ || !NetworkAddress::isInward(peer)) {
    return CURL_PREREQFUNC_OK;
  }
  download->error_ =
      UrlError::make(kUrlErrorCannotConnectToHost, download->effectiveUrl(), kInwardRefused);
  return CURL_PREREQFUNC_ABORT;
}

void UrlDownload::followRedirect() {
  detach();
  ++redirects_;
  const std::string target = std::move(*redirectTarget_);
  redirectTarget_.reset();
  if (!request(target)) abortWith(kUrlErrorUnknown);
}

bool UrlDownload::responseArrived(long status) {
  // A part of a file is only ever taken as the rest that was asked for.
  if (status == 206) {
    return rangeAsked_
               ? carriesOn()
               : cannotContinue("the server sent a part of the file that was not asked for");
  }
  if (continuing_ && !startsAgain()) return false;
  const std::string fresh = etag_.empty() ? lastModified_ : etag_;
  validator_ = fresh;
  UrlResponse response;
  response.url = effectiveUrl();
  response.statusCode = status;
  curl_off_t length = -1;
  if (curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
      length >= 0) {
    response.expectedContentLength = length;
  }
  if (localCopy_) response.expectedContentLength = static_cast<std::int64_t>(localCopy_->size());
  declaredLength_ = response.expectedContentLength;
  // Refused before the destination exists: nothing is written for a body that is too large.
  if (declaredLength_ > 0 && static_cast<std::uint64_t>(declaredLength_) > options_.maxBytes) {
    error_ = UrlError::make(kUrlErrorDataLengthExceedsMaximum, response.url);
    return false;
  }
  const char* type = nullptr;
  if (curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
    const std::string_view full(type);
    response.mimeType = lowerTrimmed(full.substr(0, full.find(';')));
  }
  sniffing_ = options_.refuseWebPages && response.mimeType == "text/html";
  response.suggestedFilename = suggestedFilename(contentDisposition_, response.url);

  delegate_.didReceiveResponse(*this, response);
  if (cancelled_) return false;
  // Content-Encoding has already been undone by libcurl; the body is decoded only once.
  if (delegate_.shouldDecodeSourceDataOfMIMEType(*this, response.mimeType) && !contentEncoded_) {
    decoder_ = std::make_unique<GzipDecoder>();
  }
  appendable_ = !decoder_ && !contentEncoded_;
  if (cancelled_) return false;
  // A continuation goes on in the file that it brought.
  if (file_) return true;
  delegate_.decideDestinationWithSuggestedFilename(*this, response.suggestedFilename);
  if (cancelled_) return false;
  if (!file_) {
    if (!error_) error_ = UrlError::make(kUrlErrorCannotCreateFile, response.url);
    return false;
  }
  delegate_.didCreateDestination(*this, file_->path());
  return !cancelled_;
}

// A file on disk has no headers: its response is made when its first data, or its end, arrives.
bool UrlDownload::localResponse() {
  if (!local_ || file_ || error_ || cancelled_) return true;
  return responseArrived(200);
}

// The rest that was asked for: appended, and nothing new to report.
bool UrlDownload::carriesOn() {
  curl_off_t length = -1;
  curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (!rangeIsTheRest(contentRange_, written_) || contentEncoded_) {
    return cannotContinue("the rest that the server sent is not the rest that was asked for");
  }
  // A server that does not heed If-Range sends the rest of whatever it has now.
  if (etag_ != validator_ && lastModified_ != validator_) {
    return cannotContinue("the rest that the server sent is of another version of the file");
  }
  if (length > 0 && static_cast<std::uint64_t>(length) > options_.maxBytes - written_) {
    error_ = UrlError::make(kUrlErrorDataLengthExceedsMaximum, effectiveUrl());
    return false;
  }
  return true;
}

// This answer fails the attempt, and the next one asks for the whole file.
bool UrlDownload::cannotContinue(const char* reason) {
  startOver_ = reason;
  error_ = UrlError::make(kUrlErrorBadServerResponse, effectiveUrl());
  return false;
}

std::string UrlDownload::startOverReason() const {
  if (!startOver_.empty()) return startOver_;
  if (!appendable_ && written_ > 0) {
    return "what arrived was decoded and cannot be continued by a range";
  }
  // Without a validator the rest could not be told from the rest of another version.
  if (validator_.empty() && written_ > 0) {
    return "the server named no version of the file to carry it on by";
  }
  return {};
}

// The server sends the whole file (it ignored the range, or the file changed): it is written
// again from its start.
bool UrlDownload::startsAgain() {
  if (rangeAsked_) {
    const std::string& now = etag_.empty() ? lastModified_ : etag_;
    delegate_.willStartOver(*this, now == validator_
                                       ? "the server sent the whole file, not the rest"
                                       : "the file changed on the server");
    if (cancelled_) return false;
  }
  continuing_ = false;
  written_ = 0;
  if (file_->truncate()) return true;
  error_ = UrlError::make(kUrlErrorCannotWriteToFile, effectiveUrl());
  return false;
}

void UrlDownload::setDestination(const std::string& path, bool allowOverwrite) {
  if (declaredLength_ > 0 && !hasRoomFor(path, static_cast<std::uint64_t>(declaredLength_))) {
    error_ = UrlError::make(kUrlErrorCannotCreateFile, effectiveUrl());
    return;
  }
  file_ = DestinationFile::create(path, allowOverwrite);
  if (!file_) error_ = UrlError::make(kUrlErrorCannotCreateFile, effectiveUrl());
}

std::size_t UrlDownload::onData(char* data, std::size_t size, std::size_t count, void* self) {
  auto* download = static_cast<UrlDownload*>(self);
  if (download->holdBack(size * count)) return CURL_WRITEFUNC_PAUSE;
  // The wire bytes behind this data are counted by onProgress, before any decoding.
  download->arrived(0);
  return download->store(data, size * count) ? size * count : 0;
}

// libcurl's own limit reads whatever the socket holds before it waits, far past the rate on a
// fast link. Data that comes before its time waits instead (libcurl keeps it while the transfer
// is paused), so the rate holds from the first byte on. A copy from the disk uses no network,
// and libcurl fails it rather than pause it.
bool UrlDownload::holdBack(std::size_t length) {
  if (options_.maxBytesPerSecond == 0 || local_ || bodyOffTheWire()) return false;
  const gint64 now = g_get_monotonic_time();
  if (paceStart_ == 0) paceStart_ = now;
  const auto due = static_cast<gint64>(static_cast<double>(paced_ + length) * 1e6 /
                                       static_cast<double>(options_.maxBytesPerSecond));
  const gint64 wait = paceStart_ + due - now;
  if (wait <= 0) {
    paced_ += length;
    return false;
  }
  resume_ = addSource(g_timeout_source_new(static_cast<guint>((wait + 999) / 1000)),
                      &UrlDownload::onResume);
  // The wire stays quiet while the data waits unread, for longer than a window at a low limit:
  // the floor looks again once it is taken.
  rateCheck_.reset();
  return true;
}

// Once every byte of the body has been read there is nothing left to pace, and a transfer paused
// on its last bytes is not always driven to its end again.
bool UrlDownload::bodyOffTheWire() const {
  curl_off_t expected = -1;
  curl_off_t received = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
  curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_DOWNLOAD_T, &received);
  return expected >= 0 && received >= expected;
}

gboolean UrlDownload::onResume(gpointer self) {
  auto* download = static_cast<UrlDownload*>(self);
  download->resume_.release();
  // The wait was the limit's, not the server's: the floor's window starts from here.
  download->rateWindow_.emplace(download->options_.rateWindow, download->options_.minBytesPerWindow,
                                download->clock_->now());
  download->armRateCheck();
  // The held data is written from inside this call.
  download->inCallback_ = true;
  curl_easy_pause(download->easy_.get(), CURLPAUSE_CONT);
  download->inCallback_ = false;
  if (download->cancelled_) {
    download->stopTransfer();
    return G_SOURCE_REMOVE;
  }
  download->drainCompleted();
  return G_SOURCE_REMOVE;
}

int UrlDownload::onProgress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
  auto* download = static_cast<UrlDownload*>(self);
  if (now > download->bodyWireBytes_) {
    download->arrived(static_cast<std::uint64_t>(now - download->bodyWireBytes_));
    download->bodyWireBytes_ = now;
  }
  return 0;
}

bool UrlDownload::store(const char* data, std::size_t length) {
  // A redirect's body is not read at all: it could be endless, and it counts against nothing.
  // The short write ends the response, and complete() follows the redirect.
  if (redirectTarget_) return false;
  if (proxyChallenge_) {
    error_ = UrlError::make(kUrlErrorUserAuthenticationRequired, effectiveUrl());
    return false;
  }
  if (!localResponse()) return false;
  if (cancelled_ || !file_ || error_) return false;
  if (sniffing_ && !sniff(std::string_view(data, length))) return false;
  if (decoder_) {
    const GzipDecoder::Status status = decoder_->decode(
        data, length, [this](const char* out, std::size_t n) { return write(out, n); });
    if (status == GzipDecoder::Status::kCorrupt) {
      error_ = UrlError::make(kUrlErrorDecodingFailedMidStream, effectiveUrl());
    }
    if (status != GzipDecoder::Status::kOk) return false;
  } else if (!write(data, length)) {
    return false;
  }
  delegate_.didReceiveDataOfLength(*this, length);
  return !cancelled_;
}

// Decided as soon as enough of the body has come, or at its end.
bool UrlDownload::sniff(std::string_view data) {
  sniffed_.append(data.substr(0, kWebPageSniffBytes - sniffed_.size()));
  return sniffed_.size() < kWebPageSniffBytes || notAWebPage();
}

bool UrlDownload::notAWebPage() {
  sniffing_ = false;
  if (!looksLikeWebPage(sniffed_)) return true;
  error_ = UrlError::make(kUrlErrorNotConnectedToInternet, effectiveUrl());
  return false;
}

bool UrlDownload::write(const char* data, std::size_t length) {
  // Counted after decoding, so a small compressed body cannot fill the disk.
  if (length > options_.maxBytes - written_) {
    error_ = UrlError::make(kUrlErrorDataLengthExceedsMaximum, effectiveUrl());
    return false;
  }
  if (!file_->write(data, length)) {
    error_ = UrlError::make(kUrlErrorCannotWriteToFile, effectiveUrl());
    return false;
  }
  written_ += length;
  return true;
}

void UrlDownload::arrived(std::uint64_t wireBytes) {
  lastActivity_ = clock_->now();
  if (wireBytes > 0) rateWindow_->add(lastActivity_, wireBytes);
}

void UrlDownload::complete(CURLcode result) {
  if (redirectTarget_ && !error_ && (result == CURLE_OK || result == CURLE_WRITE_ERROR)) {
    followRedirect();
    return;
  }
  const std::string failingUrl = effectiveUrl();
  long connectStatus = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_HTTP_CONNECTCODE, &connectStatus);
  if (!error_ && (proxyChallenge_ || connectStatus == 407)) {
    error_ = UrlError::make(kUrlErrorUserAuthenticationRequired, failingUrl);
  }
  // An empty file on disk has no data to announce its response.
  if (result == CURLE_OK && !localResponse()) result = CURLE_WRITE_ERROR;
  // A page cut short is still a page, and no later attempt may carry it on as the file.
  if (!error_ && sniffing_) notAWebPage();
  stopTransfer();
  if (!error_) {
    if (result != CURLE_OK) {
      error_ = UrlError::make(urlErrorFor(result), failingUrl);
    } else if (!file_) {
      error_ = UrlError::make(kUrlErrorBadServerResponse, failingUrl);
    } else if (decoder_ && !decoder_->complete()) {
      error_ = UrlError::make(kUrlErrorDecodingFailedToComplete, failingUrl);
    } else if (!file_->close()) {
      error_ = UrlError::make(kUrlErrorCannotCloseFile, failingUrl);
    }
  }
  if (error_) blameProxy(result);
  finished_ = !error_;
  if (error_ && file_ && !options_.keepPartialFile) {
    file_->remove();
    file_.reset();
  }
  report_ = addSource(g_timeout_source_new(0), &UrlDownload::onReport);
}

// A proxy that refused or could not be reached is named: its users can do something about it.
void UrlDownload::blameProxy(CURLcode result) {
  const bool unreachable =
      (result == CURLE_COULDNT_CONNECT && surelyProxied_) || result == CURLE_COULDNT_RESOLVE_PROXY;
  if (proxy_.empty() || !(unreachable || error_->code == kUrlErrorUserAuthenticationRequired)) {
    return;
  }
  if (result == CURLE_COULDNT_CONNECT) {
    error_->localizedDescription = "Could not connect to the proxy.";
  }
  failedProxy_ = proxy_;
}

gboolean UrlDownload::onReport(gpointer self) {
  auto* download = static_cast<UrlDownload*>(self);
  download->report_.release();
  // The delegate may destroy the transfer in its final report: nothing here touches it after.
  UrlDownloadDelegate& delegate = download->delegate_;
  if (download->error_) {
    const UrlError error = *download->error_;
    delegate.didFailWithError(*download, error);
  } else {
    delegate.didFinish(*download);
  }
  return G_SOURCE_REMOVE;
}

void UrlDownload::armIdleCheck(std::chrono::milliseconds delay) {
  idleCheck_ =
      addSource(g_timeout_source_new(static_cast<guint>(std::max<long long>(delay.count(), 0))),
                &UrlDownload::onIdleCheck);
}

gboolean UrlDownload::onIdleCheck(gpointer self) {
  auto* download = static_cast<UrlDownload*>(self);
  download->idleCheck_.release();
  const auto idle = std::chrono::microseconds(download->clock_->now() - download->lastActivity_);
  if (download->resume_) {
    // Data held back for the rate limit has arrived: the transfer is not idle.
    download->armIdleCheck(download->options_.idleTimeout);
  } else if (idle >= download->options_.idleTimeout) {
    download->abortWith(kUrlErrorTimedOut);
  } else {
    download->armIdleCheck(
        std::chrono::ceil<std::chrono::milliseconds>(download->options_.idleTimeout - idle));
  }
  return G_SOURCE_REMOVE;
}

void UrlDownload::armRateCheck() {
  // Bytes that arrive only put the deadline later: the check looks again when it comes.
  const auto delay = std::chrono::ceil<std::chrono::milliseconds>(
      std::chrono::microseconds(rateWindow_->deadline() - clock_->now()));
  rateCheck_ = addSource(
      g_timeout_source_new(static_cast<guint>(std::clamp<long long>(delay.count(), 0, G_MAXUINT))),
      &UrlDownload::onRateCheck);
}

gboolean UrlDownload::onRateCheck(gpointer self) {
  auto* download = static_cast<UrlDownload*>(self);
  download->rateCheck_.release();
  if (download->clock_->now() >= download->rateWindow_->deadline()) {
    download->tooSlow_ = true;
    download->abortWith(kUrlErrorTimedOut, "The request timed out: the transfer was too slow.");
  } else {
    download->armRateCheck();
  }
  return G_SOURCE_REMOVE;
}

void UrlDownload::abortWith(int code, const char* description) {
  if (!error_) error_ = UrlError::make(code, effectiveUrl(), description);
  complete(CURLE_ABORTED_BY_CALLBACK);
}

void UrlDownload::cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  report_.reset();
  if (file_) file_->remove();
  file_.reset();
  // Inside libcurl's own callbacks the handle cannot be removed; act() does it on return.
  if (!inCallback_) stopTransfer();
}

void UrlDownload::stopTransfer() {
  if (localCopy_) localCopy_->stop();
  resume_.reset();
  idleCheck_.reset();
  rateCheck_.reset();
  lookup_.reset();
  detach();
}

void UrlDownload::detach() {
  if (attached_) {
    attached_ = false;
    curl_multi_remove_handle(multi_.get(), easy_.get());
  }
  curlTimer_.reset();
  watches_.clear();
}

std::optional<UrlDownload::Continuation> UrlDownload::takePartial() {
  if (!file_ || finished_) return std::nullopt;
  Continuation next{std::move(*file_), startOverReason().empty() ? written_ : 0, validator_};
  file_.reset();
  return next;
}

std::string UrlDownload::effectiveUrl() const {
  const char* url = nullptr;
  // Empty until libcurl has made a request: a copy from the disk never does.
  if (easy_ && curl_easy_getinfo(easy_.get(), CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url &&
      *url) {
    return url;
  }
  return url_;
}

}  // namespace platform
