// A downloaded revocation list through the reader: the walk to its signed part and the check of
// its signature under the trust anchor, as raw DER and as the reader takes a file (DER, else
// PEM); a list that passes then goes into a store that checks the anchor against it, as the
// revocation phase checks each certificate.
#include <openssl/x509_vfy.h>

#include <cstdint>

#include "Moorstep/CrlSignatureCheck.h"
#include "Moorstep/SignatureVerification.h"
#include "fuzz/InputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using moorstep::CrlSignatureCheck;
  using moorstep::SignatureVerification;
  static fuzz::InputFile file;
  // Each input is a fresh run: the chain that a validation captures starts empty.
  moorstep::certChain.reset(sk_X509_new_null());
  SignatureVerification verifier;
  platform::X509Ptr root = verifier.getKavexRoot();
  platform::X509StackPtr issuers(sk_X509_new_null());
  if (!root || !issuers || !sk_X509_push(issuers.get(), root.get())) return 0;
  X509_up_ref(root.get());
  CrlSignatureCheck::signedByOneOf(CrlSignatureCheck::fromBytes(data, size), size, issuers.get());
  file.write(data, size);
  platform::X509CrlPtr crl = SignatureVerification::readCrlFromPath(file.path(), issuers.get());
  if (!crl) return 0;
  platform::X509StorePtr store = verifier.makeStoreForPkcs7();
  platform::X509StackPtr chain(sk_X509_new_null());
  platform::X509CrlStackPtr crls(sk_X509_CRL_new_null());
  if (!store || !chain || !crls || !sk_X509_CRL_push(crls.get(), crl.get())) return 0;
  crl.release();
  X509_STORE_set_flags(store.get(), X509_V_FLAG_CRL_CHECK | X509_V_FLAG_IGNORE_CRITICAL |
                                        X509_V_FLAG_EXTENDED_CRL_SUPPORT);
  SignatureVerification::hasCertificateBeenRevoked(root.get(), store.get(), chain.get(),
                                                   crls.get());
  return 0;
}
