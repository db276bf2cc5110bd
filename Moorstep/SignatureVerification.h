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
  void setSignaturePath(std::string path) { signaturePath_ = std::move(path); }
  void setCrlPaths(std::optional<std::vector<std::string>> paths) { crlPaths_ = std::move(paths); }
  void setRevocationPolicy(RevocationPolicy policy) { revocationPolicy_ = std::move(policy); }

  const std::string& errorString() const;
  // The first non-empty text of a verification sticks; later ones are ignored.
  void setErrorString(std::optional<std::string> text);

  // The entry of both phases: phase one verifies and starts fetching the revocation lists named
  // in the chain; phase two, run when they have arrived, checks the chain against them and
  // posts the verdict.
  void verifyDataAtPath(const std::string& dataPath, const std::string& signaturePath);
  bool startFetchingCrlsOnSignature();
  void handleDownloaderDone(bool success, const std::vector<std::string>& files);
  // False only when a certificate of the captured chain is proven revoked.
  bool checkCertsAgainstCrls();
  static bool hasCertificateBeenRevoked(X509* certificate, X509_STORE* store,
                                        STACK_OF(X509) * chain);
  static platform::X509CrlPtr readCrlFromPath(const std::string& path);
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
  // Adds every readable CRL to the store; false when the store refused one.
  bool addCrls(X509_STORE* store);

  std::optional<std::string> errorString_{std::string()};
  bool startedFetchingCrls_ = false;
  std::string dataPath_;
  std::string signaturePath_;
  std::optional<std::vector<std::string>> crlPaths_;
  Downloader* downloader_ = nullptr;
  RevocationPolicy revocationPolicy_;
};

}  // namespace moorstep
