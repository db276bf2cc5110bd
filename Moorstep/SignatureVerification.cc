#include "Moorstep/SignatureVerification.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <openssl/buffer.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "Moorstep/CrlSignatureCheck.h"
#include "Moorstep/DebugTrace.h"
#include "Moorstep/DownloadLimits.h"
#include "Moorstep/Downloader.h"
#include "Moorstep/Notifications.h"
#include "Moorstep/ZelRootCert.h"
#include "libinstall/InstallLogMsgs.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationQueue.h"
#include "platform/OpenFile.h"
#include "platform/SuggestedFilename.h"
#include "platform/TerminationSignals.h"
#include "platform/Text.h"

namespace moorstep {

platform::X509StackPtr certChain;
std::optional<std::string> callbackError;
int callbackErrorNumber = 0;

namespace {
constexpr char kExpectedObjectId[] = "1.2.840.771204.1.1.12";
struct ExpectedName {
  int nid;
  const char* text;
};
// Tested in this order; every one must match.
constexpr ExpectedName kExpectedNames[] = {
    {NID_commonName, "Kavex ZEL"},
    {NID_countryName, "US"},
    {NID_organizationName, "Kavex Systems Incorporated"},
    {NID_organizationalUnitName, "Kavex Trust Services"},
};

constexpr char kCrlTooLarge[] = "A certificate revocation list exceeds its size limit";

// The parsers read a file whole into memory: one over its limit is refused before that.
std::optional<std::uint64_t> sizeWithin(BIO* file, std::uint64_t maxBytes) {
  FILE* stream = nullptr;
  int fd = -1;
  if (BIO_get_fp(file, &stream) == 1 && stream) {
    fd = fileno(stream);
  } else {
    BIO_get_fd(file, &fd);
  }
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(status.st_size);
  return size <= maxBytes ? std::optional(size) : std::nullopt;
}

bool fitsIn(BIO* file, std::uint64_t maxBytes) { return sizeWithin(file, maxBytes).has_value(); }

// A list in DER form, decoded only once one of issuers is known to have signed it.
platform::X509CrlPtr readCheckedCrl(BIO* der, std::uint64_t size, STACK_OF(X509) * issuers) {
  if (!CrlSignatureCheck::signedByOneOf(CrlSignatureCheck::fromBio(der), size, issuers) ||
      BIO_reset(der) != 0) {
    return nullptr;
  }
  return platform::X509CrlPtr(d2i_X509_CRL_bio(der, nullptr));
}

// A list in PEM form: its DER bytes, then as above.
platform::X509CrlPtr readPemCrl(BIO* pem, STACK_OF(X509) * issuers) {
  unsigned char* bytes = nullptr;
  long length = 0;
  if (BIO_reset(pem) != 0 || PEM_bytes_read_bio(&bytes, &length, nullptr, PEM_STRING_X509_CRL, pem,
                                                nullptr, nullptr) != 1) {
    return nullptr;
  }
  platform::X509CrlPtr crl;
  if (CrlSignatureCheck::signedByOneOf(
          CrlSignatureCheck::fromBytes(bytes, static_cast<std::size_t>(length)),
          static_cast<std::uint64_t>(length), issuers)) {
    const unsigned char* p = bytes;
    crl.reset(d2i_X509_CRL(nullptr, &p, length));
  }
  OPENSSL_free(bytes);
  return crl;
}

// An object of a file in DER form, else in PEM form; null when the file is neither, is larger than
// maxBytes, or cannot be opened (which *opened tells).
template <typename Owner, typename Der, typename Pem>
Owner readDerThenPem(const std::string& path, Der readDer, Pem readPem, bool* opened,
                     std::uint64_t maxBytes) {
  platform::BioPtr file(BIO_new_file(path.c_str(), "rb"));
  *opened = static_cast<bool>(file);
  if (!file || !fitsIn(file.get(), maxBytes)) return nullptr;
  Owner object(readDer(file.get(), nullptr));
  if (!object && BIO_reset(file.get()) == 0) {
    object.reset(readPem(file.get(), nullptr, nullptr, nullptr));
  }
  return object;
}

std::string dottedObjectId(const ASN1_OBJECT* object) {
  const int length = OBJ_obj2txt(nullptr, 0, object, 1);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  OBJ_obj2txt(text.data(), length + 1, object, 1);
  return text;
}

std::optional<std::string> bioText(BIO* bio) {
  BUF_MEM* buffer = nullptr;
  BIO_get_mem_ptr(bio, &buffer);
  if (!buffer) return std::nullopt;
  std::string text(buffer->data, buffer->length);
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return std::nullopt;
  }
  return text;
}

// Hashing a large installer is one long call into the library. A request to terminate must not
// wait for its end, so after every MiB read the signals that have arrived are handled.
constexpr std::size_t kSignalCheckBytes = std::size_t{1} << 20;

long handleSignalsWhileReading(BIO* bio, int operation, const char*, std::size_t, int, long,
                               int result, std::size_t* processed) {
  if (operation != (BIO_CB_READ | BIO_CB_RETURN) || result <= 0 || !processed) return result;
  auto* unchecked = reinterpret_cast<std::size_t*>(BIO_get_callback_arg(bio));
  *unchecked += *processed;
  if (*unchecked >= kSignalCheckBytes) {
    *unchecked = 0;
    platform::TerminationSignals::shared().handlePending();
  }
  return result;
}

// Why the library refused a signature when no certificate was at fault, taken from its error
// queue, which is left empty: what the first refusal of the PKCS#7 layer means where that is
// known, else the library's own text.
std::string signatureFailureReason() {
  std::string reason = "the library gave no reason";
  bool decided = false;
  while (const unsigned long error = ERR_get_error()) {
    if (decided) continue;
    if (const char* text = ERR_reason_error_string(error)) reason = text;
    if (ERR_GET_LIB(error) != ERR_LIB_PKCS7) continue;
    decided = true;
    switch (ERR_GET_REASON(error)) {
      case PKCS7_R_DIGEST_FAILURE:
        reason = "the file differs from the one signed";
        break;
      case PKCS7_R_SIGNATURE_FAILURE:
        reason = "the signature does not verify with the signer's key";
        break;
      case PKCS7_R_CONTENT_AND_DATA_PRESENT:
        reason = "the signature carries content of its own";
        break;
      default:
        break;
    }
  }
  return reason;
}

// Digests that collisions have broken: a certificate or signature made with one proves nothing.
// SHA-1 is not among them; old publisher PKIs still sign with it.
bool isWeakDigest(int nid) { return nid == NID_md2 || nid == NID_md4 || nid == NID_md5; }

// The digest of a signature algorithm (such as md5WithRSAEncryption), else the nid itself.
int digestOf(int algorithmNid) {
  int digest = NID_undef;
  return OBJ_find_sigid_algs(algorithmNid, &digest, nullptr) ? digest : algorithmNid;
}

// Why a verified signature must still be refused for a weak digest, or nothing. The trust
// anchor's own signature is not checked: the anchor is trusted as it is built in.
std::optional<std::string> weakDigestIn(PKCS7* pkcs7, STACK_OF(X509) * chain) {
  STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(pkcs7);
  for (int i = 0; i < sk_PKCS7_SIGNER_INFO_num(signers); ++i) {
    X509_ALGOR* digest = nullptr;
    X509_ALGOR* signature = nullptr;
    PKCS7_SIGNER_INFO_get0_algs(sk_PKCS7_SIGNER_INFO_value(signers, i), nullptr, &digest,
                                &signature);
    for (const X509_ALGOR* algorithm : {digest, signature}) {
      const ASN1_OBJECT* object = nullptr;
      if (algorithm) X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
      const int nid = digestOf(OBJ_obj2nid(object));
      if (isWeakDigest(nid)) {
        return std::string("The signature's message digest is too weak: ") + OBJ_nid2sn(nid);
      }
    }
  }
  for (int i = 1; i < sk_X509_num(chain); ++i) {
    const int nid = digestOf(X509_get_signature_nid(sk_X509_value(chain, i)));
    if (isWeakDigest(nid)) {
      return std::string("A certificate of the chain is signed with a too weak digest: ") +
             OBJ_nid2sn(nid);
    }
  }
  return std::nullopt;
}

// The distribution points as the older printer gave them: one line per full name, a URI as
// "URI:" followed by its bytes exactly as stored.
bool printCrlDistributionPoints(BIO* out, X509_EXTENSION* extension) {
  std::unique_ptr<CRL_DIST_POINTS, platform::FreeWith<CRL_DIST_POINTS_free>> points(
      static_cast<CRL_DIST_POINTS*>(X509V3_EXT_d2i(extension)));
  if (!points) return false;
  for (int i = 0; i < sk_DIST_POINT_num(points.get()); ++i) {
    const DIST_POINT* point = sk_DIST_POINT_value(points.get(), i);
    if (!point->distpoint || point->distpoint->type != 0) continue;
    const GENERAL_NAMES* names = point->distpoint->name.fullname;
    for (int n = 0; n < sk_GENERAL_NAME_num(names); ++n) {
      GENERAL_NAME* name = sk_GENERAL_NAME_value(names, n);
      if (name->type == GEN_URI) {
        const ASN1_IA5STRING* uri = name->d.uniformResourceIdentifier;
        BIO_puts(out, "URI:");
        BIO_write(out, ASN1_STRING_get0_data(uri), ASN1_STRING_length(uri));
      } else {
        GENERAL_NAME_print(out, name);
      }
      BIO_puts(out, "\n");
    }
  }
  return true;
}

// The addresses of the lists that certificate names. Other kinds of names (the anchor's
// directory name) are not addresses, and only a line that begins exactly with "URI:" is one.
std::vector<std::string> addressesOf(X509* certificate) {
  const std::optional<std::string> text =
      SignatureVerification::extractX509v3Data(certificate, NID_crl_distribution_points);
  std::vector<std::string> addresses;
  if (!text) return addresses;
  for (const std::string& line : platform::splitString(*text, '\n')) {
    if (line.starts_with("URI:")) addresses.push_back(line.substr(4));
  }
  return addresses;
}

// The store's callback in the revocation phase (see useForRevocation): records as verifyCallback
// does, and reads on past a list's validity window.
int revocationCallback(int ok, X509_STORE_CTX* context) {
  if (verifyCallback(ok, context)) return 1;
  const int error = X509_STORE_CTX_get_error(context);
  return error == X509_V_ERR_CRL_HAS_EXPIRED || error == X509_V_ERR_CRL_NOT_YET_VALID;
}

// How the revocation phase judges the lists, all in one place. Only a proven revocation
// rejects; everything that is not proof leaves a certificate's status unknown, which passes.
// - Each certificate is tested on its own, as the leaf of its own validation (CRL_CHECK).
// - Lists with critical extensions the library does not handle still count (IGNORE_CRITICAL).
// - Lists limited to some reasons, and indirect lists, are used (EXTENDED_CRL_SUPPORT). A
//   reason-limited list that does not name a certificate proves nothing for the other reasons;
//   an indirect list's entries count only for the issuer they name. Delta lists are not merged
//   (no USE_DELTAS), and with extended support one alone is no longer taken for a full list.
// - A list outside its validity window (expired, or valid only from a time the local clock has
//   not reached) is still read: a revocation, once published, stays true, and a clock a few
//   minutes off must not hide it. Its signature, issuer and path are checked as for any list,
//   after its dates, so a forged or foreign list still stops there before its entries count.
void useForRevocation(X509_STORE* store) {
  X509_STORE_set_flags(store, X509_V_FLAG_CRL_CHECK | X509_V_FLAG_IGNORE_CRITICAL |
                                  X509_V_FLAG_EXTENDED_CRL_SUPPORT);
  X509_STORE_set_verify_cb(store, revocationCallback);
}
}  // namespace

int verifyCallback(int ok, X509_STORE_CTX* context) {
  if (ok) {
    if (X509* current = X509_STORE_CTX_get_current_cert(context)) {
      X509* copy = X509_dup(current);
      // The stack takes ownership of the copy.
      if (copy && certChain && !sk_X509_push(certChain.get(), copy)) X509_free(copy);
    }
  } else {
    callbackErrorNumber = X509_STORE_CTX_get_error(context);
    callbackError = X509_verify_cert_error_string(callbackErrorNumber);
  }
  return ok;
}

SignatureVerification::SignatureVerification() {
  // The library starts here, never on the paths that end before a verification.
  OPENSSL_init_crypto(OPENSSL_INIT_ADD_ALL_CIPHERS | OPENSSL_INIT_ADD_ALL_DIGESTS |
                          OPENSSL_INIT_LOAD_CRYPTO_STRINGS | OPENSSL_INIT_NO_LOAD_CONFIG,
                      nullptr);
  if (!certChain) certChain.reset(sk_X509_new_null());
  platform::NotificationCenter::defaultCenter().addObserver(
      this, CRL_DOWNLOAD_NOTIFY_DONE, nullptr,
      [this](const platform::Notification& n) { notifyDownloaderDone(n); });
}

SignatureVerification::~SignatureVerification() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void SignatureVerification::verifyDataAtPath(const std::string& dataPath,
                                             const std::string& signaturePath) {
  setDataPath(dataPath);
  setSignaturePath(signaturePath);
  platform::Pkcs7Ptr pkcs7 = readPkcs7();
  if (!pkcs7) {
    refuseSignature("Failed to read pkcs7 signature");
    return;
  }
  if (!startedFetchingCrls_) {
    if (!verifyDetachedSignature(pkcs7.get())) {
      refuseSignature("The signature was rejected");
      return;
    }
    startedFetchingCrls_ = true;
    startFetchingCrlsOnSignature();
    return;
  }
  const bool passed = checkCertsAgainstCrls();
  if (unusableRequiredCrl_) {
    refuseWithoutList(*unusableRequiredCrl_);
  } else if (passed) {
    install::logSigValid("Detached");
    sendNotificationOfResult(true);
  } else {
    install::logCertRevocationFound();
    setErrorString("At least one of the certificates in the signature has been revoked");
    sendNotificationOfResult(false);
  }
}

void SignatureVerification::refuseSignature(const std::string& generalText) {
  install::logSigInvalid("Detached");
  setErrorString(generalText);
  // The more specific text recorded before, when there is one, tells the administrator why.
  install::logSigInvalidReason(errorString().c_str());
  sendNotificationOfResult(false);
}

void SignatureVerification::refuseWithoutList(const std::string& address) {
  setErrorString("Required certificate revocation list not available: " + address);
  refuseSignature("The signature was rejected");
}

std::vector<std::string> SignatureVerification::crlAddresses(STACK_OF(X509) * chain) {
  // Identical addresses from several certificates collapse, so each list is fetched once.
  std::set<std::string> addresses;
  for (int i = 0; chain && i < sk_X509_num(chain); ++i) {
    for (std::string& address : addressesOf(sk_X509_value(chain, i))) {
      addresses.insert(std::move(address));
    }
  }
  return {addresses.begin(), addresses.end()};
}

bool SignatureVerification::startFetchingCrlsOnSignature() {
  std::vector<std::string> urls = crlAddresses(certChain.get());
  setErrorString("");
  if (!urls.empty() && policy_.folder) {
    useCrlsFromFolder(urls);
    return true;
  }
  if (urls.empty() || !downloader_) {
    verifyDataAtPath(std::string(dataPath_), std::string(signaturePath_));
    return true;
  }
  crlUrls_ = urls;
  downloader_->setUrlStrings(std::move(urls));
  downloader_->setMaxBytes({kMaxCrlBytes});
  // A required list that fails ends the list, so each file left belongs to the address at its
  // place, and the error tells a failure from a Cancel.
  downloader_->setIgnoreFailures(!policy_.require);
  downloader_->setLastError(std::nullopt);
  downloader_->startDownload(CRL_DOWNLOAD_NOTIFY_DONE);
  return true;
}

void SignatureVerification::useCrlsFromFolder(const std::vector<std::string>& urls) {
  std::vector<std::string> paths;
  for (const std::string& url : urls) {
    // A missing file is a list that cannot be had, as a missing download is.
    paths.push_back(*policy_.folder + "/" + platform::suggestedFilename({}, url));
  }
  crlUrls_ = urls;
  // A list over its limit ends the run as a downloaded one does, whatever the policy.
  for (const std::string& path : paths) {
    GStatBuf status{};
    if (g_stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::uint64_t>(status.st_size) > kMaxCrlBytes) {
      setErrorString(kCrlTooLarge);
      sendNotificationOfResult(false, true);
      return;
    }
  }
  setCrlPaths(std::move(paths));
  verifyDataAtPath(std::string(dataPath_), std::string(signaturePath_));
}

void SignatureVerification::notifyDownloaderDone(const platform::Notification& notification) {
  handleDownloaderDone(
      notification.boolValue(DOWNLOADER_KEY_SUCCESS),
      notification.stringListValue(DOWNLOADER_KEY_FILES).value_or(std::vector<std::string>{}));
}

void SignatureVerification::handleDownloaderDone(bool success,
                                                 const std::vector<std::string>& files) {
  // With failures skipped, only a Cancel, a transfer that could not start or a list over its
  // size limit ends the list without success. The install must not go on without this check.
  if (!success) {
    const std::optional<platform::UrlError> error =
        downloader_ ? downloader_->lastError() : std::nullopt;
    const int failed = downloader_ ? downloader_->currentUrlIndex() - 1 : -1;
    if (policy_.require && error && failed >= 0 &&
        static_cast<std::size_t>(failed) < crlUrls_.size()) {
      refuseWithoutList(crlUrls_[static_cast<std::size_t>(failed)]);
      return;
    }
    setErrorString(error && error->code == platform::kUrlErrorDataLengthExceedsMaximum
                       ? kCrlTooLarge
                       : "The revocation-list download was cancelled");
    sendNotificationOfResult(false, true);
    return;
  }
  if (!files.empty()) {
    setCrlPaths(files);
  } else {
    DebugTrace("Warning: Unable to fetch certificate revocation files");
  }
  verifyDataAtPath(std::string(dataPath_), std::string(signaturePath_));
}

platform::X509CrlStackPtr SignatureVerification::readCrls(STACK_OF(X509) * issuers) {
  platform::X509CrlStackPtr crls(sk_X509_CRL_new_null());
  if (!crls) return nullptr;
  for (std::size_t i = 0; i < crlPaths_->size(); ++i) {
    platform::X509CrlPtr crl = readCrlFromPath((*crlPaths_)[i], issuers);
    // A list without a next update is never out of date: one from before a revocation, replayed,
    // would pass for current for ever.
    if (!crl || (policy_.require && !X509_CRL_get0_nextUpdate(crl.get()))) {
      noteUnusableCrl(i);
      continue;
    }
    if (!sk_X509_CRL_push(crls.get(), crl.get())) {
      DebugTrace("Warning: Error adding CRL to set");
      return nullptr;
    }
    crl.release();
  }
  return crls;
}

void SignatureVerification::noteUnusableCrl(std::size_t index) {
  if (!policy_.require || unusableRequiredCrl_) return;
  // Without the addresses (the lists were given as files), the file names the list.
  unusableRequiredCrl_ = index < crlUrls_.size() ? crlUrls_[index] : (*crlPaths_)[index];
}

platform::X509StackPtr SignatureVerification::untrustedForCrls(STACK_OF(X509) * captured) const {
  platform::X509StackPtr untrusted(X509_chain_up_ref(captured));
  for (int i = 0; untrusted && carriedCerts_ && i < sk_X509_num(carriedCerts_.get()); ++i) {
    if (!X509_add_cert(untrusted.get(), sk_X509_value(carriedCerts_.get(), i),
                       X509_ADD_FLAG_UP_REF | X509_ADD_FLAG_NO_DUP)) {
      return nullptr;
    }
  }
  return untrusted;
}

bool SignatureVerification::checkCertsAgainstCrls() {
  if (!crlPaths_ || crlPaths_->empty()) return true;
  platform::X509StorePtr store = makeStoreForPkcs7();
  bool ok = static_cast<bool>(store);
  if (!ok) DebugTrace("Warning: Unable to get store for CRL");
  if (ok) useForRevocation(store.get());
  // The validations below report into a fresh list, apart from the one under test.
  platform::X509StackPtr captured = std::move(certChain);
  certChain.reset(sk_X509_new_null());
  platform::X509StackPtr untrusted = captured ? untrustedForCrls(captured.get()) : nullptr;
  if (!certChain || !untrusted) {
    DebugTrace("Warning: Unable to recreate certChain");
    ok = false;
  }
  platform::X509CrlStackPtr crls = ok ? readCrls(untrusted.get()) : nullptr;
  ok = ok && crls;
  // Lists that could not be checked at all are lists that cannot be had.
  if (!ok) noteUnusableCrl(0);
  if (unusableRequiredCrl_) return false;
  install::logCertChainBegin();
  bool revoked = false;
  std::optional<std::string> uncovered;
  while (ok && !revoked && sk_X509_num(captured.get()) > 0) {
    // The signer comes off first, the anchor's copy last.
    platform::X509Ptr certificate(sk_X509_pop(captured.get()));
    const CrlVerdict verdict =
        hasCertificateBeenRevoked(certificate.get(), store.get(), untrusted.get(), crls.get());
    if (verdict == CrlVerdict::revoked) {
      revoked = true;
      install::logCertRevocationFound();
      setErrorString(callbackError);
    } else if (verdict == CrlVerdict::unproven && policy_.require && !uncovered) {
      // A certificate that names no list has none to require; the others go on being tested,
      // as a revocation found further up says more than a missing list.
      const std::vector<std::string> addresses = addressesOf(certificate.get());
      if (!addresses.empty()) uncovered = addresses.front();
    }
  }
  if (!revoked) unusableRequiredCrl_ = uncovered;
  if (revoked || unusableRequiredCrl_) {
    install::logCertChainFailure();
  } else {
    install::logCertChainSuccess();
  }
  certChain.reset(sk_X509_new_null());
  if (!certChain) DebugTrace("Warning: Unable to recreate certChain");
  return !revoked && !unusableRequiredCrl_;
}

SignatureVerification::CrlVerdict SignatureVerification::hasCertificateBeenRevoked(
    X509* certificate, X509_STORE* store, STACK_OF(X509) * chain, STACK_OF(X509_CRL) * crls) {
  platform::X509StoreCtxPtr context(X509_STORE_CTX_new());
  if (!context) {
    DebugTrace("Warning: Unable to create X509_STORE_CTX object for CRL checks");
    return CrlVerdict::unproven;
  }
  if (X509_STORE_CTX_init(context.get(), store, certificate, chain) != 1) {
    DebugTrace("Warning: Unable to initialize CRL verification context");
    return CrlVerdict::unproven;
  }
  // Given as a set, the lists are found whoever signed them; looked up in the store, only by
  // the certificate's own issuer name, indirect ones would never be.
  X509_STORE_CTX_set0_crls(context.get(), crls);
  // The callback reads on past a list outside its validity window but records the error: a
  // validation that passes with one recorded rested on a list that is not current.
  callbackError.reset();
  callbackErrorNumber = X509_V_OK;
  const bool passed = X509_verify_cert(context.get()) == 1;
  if (passed && callbackErrorNumber == X509_V_OK) return CrlVerdict::notRevoked;
  if (!passed && callbackErrorNumber == X509_V_ERR_CERT_REVOKED) return CrlVerdict::revoked;
  DebugTrace("Warning: Ignoring failed CRL check: %@", callbackError.value_or(""));
  return CrlVerdict::unproven;
}

platform::X509CrlPtr SignatureVerification::readCrlFromPath(const std::string& path,
                                                            STACK_OF(X509) * issuers) {
  // An administrator's folder may hold links, but never a FIFO that would hold the run.
  const std::optional<platform::OpenFile> opened =
      platform::OpenFile::open(path, platform::OpenFile::Links::kFollow);
  platform::BioPtr file(opened ? BIO_new_fd(opened->descriptor(), BIO_NOCLOSE) : nullptr);
  if (!file) {
    DebugTrace("Warning: Unable to create BIO for CRL at %@", path);
    return nullptr;
  }
  platform::X509CrlPtr crl;
  if (const std::optional<std::uint64_t> size = sizeWithin(file.get(), kMaxCrlBytes)) {
    char first = 0;
    const bool der = BIO_read(file.get(), &first, 1) == 1 && first == 0x30;
    crl = der ? readCheckedCrl(file.get(), *size, issuers) : readPemCrl(file.get(), issuers);
  }
  if (!crl) DebugTrace("Warning: Unable to parse CRL at %@", path);
  return crl;
}

platform::X509Ptr SignatureVerification::readCertificateFromPath(const std::string& path) {
  bool opened = false;
  // A certificate is never larger than a signature that carries it.
  auto certificate = readDerThenPem<platform::X509Ptr>(path, d2i_X509_bio, PEM_read_bio_X509,
                                                       &opened, kMaxSignatureBytes);
  if (!opened) {
    setErrorString("Unable to create BIO for " + path);
  } else if (!certificate) {
    setErrorString("Unable to parse certificate from " + path);
  }
  return certificate;
}

const std::string& SignatureVerification::errorString() const {
  static const std::string empty;
  return errorString_ ? *errorString_ : empty;
}

void SignatureVerification::setErrorString(std::optional<std::string> text) {
  if (errorString_ && !errorString_->empty()) return;
  errorString_ = std::move(text);
}

platform::Pkcs7Ptr SignatureVerification::readPkcs7() {
  std::string message;
  platform::Pkcs7Ptr pkcs7;
  platform::BioPtr file(BIO_new_file(signaturePath_.c_str(), "rb"));
  if (!file) {
    message = "Unable to read signature " + signaturePath_;
  } else if (!fitsIn(file.get(), kMaxSignatureBytes)) {
    message = "Error reading PKCS7 code signature";
  } else if (pkcs7.reset(d2i_PKCS7_bio(file.get(), nullptr)); !pkcs7) {
    message = "Error reading PKCS7 code signature";
  } else if (platform::X509Ptr signer = getSignerCertificate(pkcs7.get()); !signer) {
    message = "Unable to get signing certificate from PKCS7 signature";
  } else if (!verifySignerNames(signer.get())) {
    message = "The signing certificate subject name did not match";
  } else if (!carriesKeyUsage(signer.get(), kExpectedObjectId)) {
    message = "The signing certificate did not contain the expected object ID";
  }
  if (!message.empty()) pkcs7.reset();
  setErrorString(message);
  return pkcs7;
}

bool SignatureVerification::verifyDetachedSignature(PKCS7* pkcs7) {
  platform::X509StorePtr store = makeStoreForPkcs7();
  if (!store) {
    setErrorString("Failed to create store pkcs7 signature");
    return false;
  }
  std::optional<platform::OpenFile> opened;
  if (dataFd_ < 0) opened = platform::OpenFile::open(dataPath_);
  const int fd = opened ? opened->descriptor() : dataFd_;
  platform::BioPtr data(fd >= 0 && ::lseek(fd, 0, SEEK_SET) == 0 ? BIO_new_fd(fd, BIO_NOCLOSE)
                                                                 : nullptr);
  if (!data) {
    setErrorString("Unable to read data " + dataPath_);
    return false;
  }
  std::size_t unchecked = 0;
  BIO_set_callback_arg(data.get(), reinterpret_cast<char*>(&unchecked));
  BIO_set_callback_ex(data.get(), &handleSignalsWhileReading);
  // Nothing left from an earlier verification in this process may pass for this one's reason.
  callbackError.reset();
  callbackErrorNumber = X509_V_OK;
  ERR_clear_error();
  // PKCS7_NO_DUAL_CONTENT: a signature that embeds content of its own is refused when a
  // detached file is given too, as the library did before OpenSSL 3.
  const bool verified =
      PKCS7_verify(pkcs7, nullptr, store.get(), data.get(), nullptr, PKCS7_NO_DUAL_CONTENT) == 1;
  if (!verified) {
    // A certificate's error is the more precise one; the queue is emptied either way.
    const std::string libraryReason = signatureFailureReason();
    setErrorString("Error verifying code signature. " + callbackError.value_or(libraryReason));
    return false;
  }
  if (std::optional<std::string> weak = weakDigestIn(pkcs7, certChain.get())) {
    setErrorString(std::move(weak));
    return false;
  }
  STACK_OF(X509)* carried = PKCS7_type_is_signed(pkcs7) ? pkcs7->d.sign->cert : nullptr;
  carriedCerts_.reset(carried ? X509_chain_up_ref(carried) : nullptr);
  return true;
}

platform::X509StorePtr SignatureVerification::makeStoreForPkcs7() {
  platform::X509StorePtr store(X509_STORE_new());
  if (!store) {
    setErrorString("Error creating X509_STORE object");
    return nullptr;
  }
  X509_STORE_set_verify_cb_func(store.get(), verifyCallback);
  platform::X509StackPtr trusted = getTrustedCerts();
  if (!trusted) {
    setErrorString("Unable to find any trused certificates");
    return store;
  }
  std::string message;
  while (X509* certificate = sk_X509_pop(trusted.get())) {
    // The store takes its own reference; the popped one is ours to free.
    const bool added = X509_STORE_add_cert(store.get(), certificate) == 1;
    X509_free(certificate);
    if (!added) message = "Unable to add trused certificate to store";
  }
  if (message.empty()) {
    X509_STORE_set_flags(store.get(), X509_V_FLAG_IGNORE_CRITICAL);
    X509_STORE_set_purpose(store.get(), X509_PURPOSE_ANY);
    // No security level of the library's: SHA-1 and 1024-bit RSA stay accepted for old
    // publisher PKIs, whatever a system configuration says; the broken digests are refused
    // by name after the validation.
    X509_VERIFY_PARAM_set_auth_level(X509_STORE_get0_param(store.get()), 0);
  }
  setErrorString(message);
  return store;
}

platform::X509StackPtr SignatureVerification::getTrustedCerts() {
  platform::X509StackPtr trusted(sk_X509_new_null());
  if (!trusted) return nullptr;
  if (platform::X509Ptr root = getKavexRoot()) {
    // The stack takes ownership of the root.
    if (sk_X509_push(trusted.get(), root.get())) root.release();
  }
  return trusted;
}

platform::X509Ptr SignatureVerification::getKavexRoot() {
  platform::BioPtr bytes(BIO_new_mem_buf(ZelRootCert, static_cast<int>(ZelRootCertLength)));
  if (!bytes) return nullptr;
  return platform::X509Ptr(d2i_X509_bio(bytes.get(), nullptr));
}

void SignatureVerification::sendNotificationOfResult(bool valid, bool downloadCancelled) {
  platform::NotificationQueue::defaultQueue().enqueueWhenIdle(
      {SIGNATURE_VERIFY_NOTIFY_DONE,
       this,
       {{SIGNATURE_KEY_IS_VALID, valid}, {SIGNATURE_KEY_DOWNLOAD_CANCELLED, downloadCancelled}}});
}

platform::X509Ptr SignatureVerification::getSignerCertificate(PKCS7* pkcs7) {
  if (!pkcs7) return nullptr;
  // The signers themselves belong to the signature; only the list is ours.
  platform::X509ListPtr signers(PKCS7_get0_signers(pkcs7, nullptr, 0));
  if (!signers || sk_X509_num(signers.get()) < 1) return nullptr;
  X509* first = sk_X509_value(signers.get(), 0);
  return first ? platform::X509Ptr(X509_dup(first)) : nullptr;
}

bool SignatureVerification::verifySignerNames(X509* certificate) {
  X509_NAME* subject = certificate ? X509_get_subject_name(certificate) : nullptr;
  if (!subject) return false;
  for (const ExpectedName& expected : kExpectedNames) {
    if (!verifySignerName(subject, expected.text, expected.nid)) return false;
  }
  return true;
}

bool SignatureVerification::verifySignerName(X509_NAME* name, const std::string& expected,
                                             int nid) {
  const int index = X509_NAME_get_index_by_NID(name, nid, -1);
  if (index < 0) return false;
  const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
  unsigned char* utf8 = nullptr;
  const int length = ASN1_STRING_to_UTF8(&utf8, value);
  if (length < 0) return false;
  // The whole value is compared, so a NUL inside it cannot cut a longer name down to size.
  const bool same =
      std::string(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(length)) == expected;
  OPENSSL_free(utf8);
  return same;
}

bool SignatureVerification::carriesKeyUsage(X509* certificate, const std::string& objectId) {
  if (!certificate) return false;
  // Decoded, not printed: the printed text also holds the expected digits inside longer
  // identifiers (...1.1.120, 1.3.1.2.840...), which name other purposes. A certificate with two
  // such extensions decodes to none.
  std::unique_ptr<EXTENDED_KEY_USAGE, platform::FreeWith<EXTENDED_KEY_USAGE_free>> usages(
      static_cast<EXTENDED_KEY_USAGE*>(
          X509_get_ext_d2i(certificate, NID_ext_key_usage, nullptr, nullptr)));
  const std::string arc = objectId + ".";
  for (int i = 0; usages && i < sk_ASN1_OBJECT_num(usages.get()); ++i) {
    const std::string usage = dottedObjectId(sk_ASN1_OBJECT_value(usages.get(), i));
    // A publisher's PKI may already give its signers identifiers below the expected one.
    if (usage == objectId || usage.starts_with(arc)) return true;
  }
  return false;
}

std::optional<std::string> SignatureVerification::extractX509v3Data(X509* certificate, int nid) {
  const int index = certificate ? X509_get_ext_by_NID(certificate, nid, -1) : -1;
  if (index < 0) return std::nullopt;
  X509_EXTENSION* extension = X509_get_ext(certificate, index);
  if (!extension) return std::nullopt;
  platform::BioPtr out(BIO_new(BIO_s_mem()));
  if (!out) return std::nullopt;
  const bool printed = nid == NID_crl_distribution_points
                           ? printCrlDistributionPoints(out.get(), extension)
                           : X509V3_EXT_print(out.get(), extension, 4, 0) == 1;
  if (!printed) return std::nullopt;
  return bioText(out.get());
}

}  // namespace moorstep
