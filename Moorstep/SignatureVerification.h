#pragma once

#include <openssl/x509.h>

#include <optional>
#include <string>
#include <vector>

#include "Moorstep/RevocationPolicy.h"
#include "platform/Handles.h"
#include "platform/Notification.h"

namespace moorstep {

class Downloader;

// Copies of the certificates that the last chain validation accepted, anchor first, signer last.
// One verification runs at a time per process; these belong to it.
extern platform::X509StackPtr certChain;
// The library's text and code of the last certificate error the validation reported.
extern std::optional<std::string> callbackError;
extern int callbackErrorNumber;

// The validation callback of every store made here: records, never overrides the verdict.
int verifyCallback(int ok, X509_STORE_CTX* context);

// Decides whether a downloaded file was signed by the expected publisher: a detached DER PKCS#7
// signature whose chain ends in the embedded trust anchor, whose signer carries the expected
// names and object identifier, and whose certificates are not revoked. The result is one
// SIGNATURE_VERIFY_NOTIFY_DONE notification; after a failure errorString() says why.
class SignatureVerification {
 public:
  SignatureVerification();
  ~SignatureVerification();
  SignatureVerification(const SignatureVerification&) = delete;
  SignatureVerification& operator=(const SignatureVerification&) = delete;

  void setDownloader(Downloader* downloader) { downloader_ = downloader; }
  void setDataPath(std::string path) { dataPath_ = std::move(path); }
  // The data as a file the caller holds open, read instead of what dataPath names; -1 for none.
  void setDataFile(int fd) { dataFd_ = fd; }
  void setSignaturePath(std::string path) { signaturePath_ = std::move(path); }
  void setCrlPaths(std::optional<std::vector<std::string>> paths) { crlPaths_ = std::move(paths); }
  // What an administrator asks of the revocation phase; without it a list that cannot be had
  // proves nothing. Set before verifyDataAtPath.
  void setRevocationPolicy(RevocationPolicy policy) { policy_ = std::move(policy); }

  const std::string& errorString() const;
  // The first non-empty text of a verification sticks; later ones are ignored.
  void setErrorString(std::optional<std::string> text);

  // The entry of both phases: phase one verifies and starts fetching the revocation lists named
  // in the chain; phase two, run when they have arrived, checks the chain against them and
  // posts the verdict.
  void verifyDataAtPath(const std::string& dataPath, const std::string& signaturePath);
  bool startFetchingCrlsOnSignature();
  void handleDownloaderDone(bool success, const std::vector<std::string>& files);
  // False when a certificate of the captured chain is proven revoked, and under a policy that
  // requires the lists, when one of them cannot be had.
  bool checkCertsAgainstCrls();
  // What one test proved of a certificate. notRevoked takes a current list (inside its validity
  // window) of the certificate's issuer, or of the issuer its distribution point names, that
  // covers it for every reason; revoked takes any list of theirs, current or not.
  enum class CrlVerdict { revoked, notRevoked, unproven };
  // The certificate is validated on its own, with chain as the certificates it may be issued
  // through and crls as every list of the run, whoever signed them.
  static CrlVerdict hasCertificateBeenRevoked(X509* certificate, X509_STORE* store,
                                              STACK_OF(X509) * chain, STACK_OF(X509_CRL) * crls);
  // A list in DER, else in PEM form, when one of issuers signed it; its entries are decoded only
  // then. Null for a list that cannot be read or that none of them signed.
  static platform::X509CrlPtr readCrlFromPath(const std::string& path, STACK_OF(X509) * issuers);
  platform::X509Ptr readCertificateFromPath(const std::string& path);

  // The signature file, parsed and with its signer's identity checked; null after a failure.
  platform::Pkcs7Ptr readPkcs7();
  // The data file against the signature, with the chain validated up to the trust anchor.
  bool verifyDetachedSignature(PKCS7* pkcs7);
  platform::X509StorePtr makeStoreForPkcs7();
  platform::X509StackPtr getTrustedCerts();
  platform::X509Ptr getKavexRoot();
  void sendNotificationOfResult(bool valid, bool downloadCancelled = false);

  // Signer identity checks on certificates alone.
  static platform::X509Ptr getSignerCertificate(PKCS7* pkcs7);
  static bool verifySignerNames(X509* certificate);
  static bool verifySignerName(X509_NAME* name, const std::string& expected, int nid);
  // The extended key usage lists objectId itself or an identifier inside its arc.
  static bool carriesKeyUsage(X509* certificate, const std::string& objectId);
  // The addresses of the revocation lists that the chain's certificates name, each once.
  static std::vector<std::string> crlAddresses(STACK_OF(X509) * chain);
  // The first extension of type nid as text, or nullopt. CRL distribution points come as one
  // line per name, a URI as "URI:" and its address.
  static std::optional<std::string> extractX509v3Data(X509* certificate, int nid);

 private:
  void notifyDownloaderDone(const platform::Notification& notification);
  // Logs the refusal and its reason (the first text recorded, else generalText), posts NO.
  void refuseSignature(const std::string& generalText);
  // Under a policy that requires the lists: the refusal naming the list at address.
  void refuseWithoutList(const std::string& address);
  // Phase two on the lists of the policy's folder instead of downloaded ones.
  void useCrlsFromFolder(const std::vector<std::string>& urls);
  // A list that could not be used; the policy may make that a refusal.
  void noteUnusableCrl(std::size_t index);
  // Every readable CRL that one of issuers signed, as one set; null when the set cannot be made.
  platform::X509CrlStackPtr readCrls(STACK_OF(X509) * issuers);
  // The captured chain and the certificates that the signature carries: a list may be signed
  // by one that is not on the chain.
  platform::X509StackPtr untrustedForCrls(STACK_OF(X509) * captured) const;

  std::optional<std::string> errorString_{std::string()};
  bool startedFetchingCrls_ = false;
  std::string dataPath_;
  int dataFd_ = -1;
  std::string signaturePath_;
  std::optional<std::vector<std::string>> crlPaths_;
  Downloader* downloader_ = nullptr;
  // The certificates of the signature that phase one accepted.
  platform::X509StackPtr carriedCerts_;
  RevocationPolicy policy_;
  // The addresses of the lists, in the order of crlPaths_ when each path is known to hold the
  // list of the address at its place.
  std::vector<std::string> crlUrls_;
  // The address of a list that the policy requires and that could not be used.
  std::optional<std::string> unusableRequiredCrl_;
};

}  // namespace moorstep
