// A downloaded revocation list through the reader (DER, else PEM), then into a store that
// checks the trust anchor against it, as the revocation phase checks each certificate.
#include <openssl/x509_vfy.h>

#include <cstdint>

#include "Moorstep/SignatureVerification.h"
#include "fuzz/InputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using moorstep::SignatureVerification;
  static fuzz::InputFile file;
  file.write(data, size);
  platform::X509CrlPtr crl = SignatureVerification::readCrlFromPath(file.path());
  if (!crl) return 0;
  // Each input is a fresh run: the chain that a validation captures starts empty.
  moorstep::certChain.reset(sk_X509_new_null());
  SignatureVerification verifier;
  platform::X509StorePtr store = verifier.makeStoreForPkcs7();
  platform::X509Ptr root = verifier.getKavexRoot();
  platform::X509StackPtr chain(sk_X509_new_null());
  if (!store || !root || !chain) return 0;
  platform::X509CrlStackPtr crls(sk_X509_CRL_new_null());
  if (!crls || !sk_X509_CRL_push(crls.get(), crl.get())) return 0;
  crl.release();
  X509_STORE_set_flags(store.get(), X509_V_FLAG_CRL_CHECK | X509_V_FLAG_IGNORE_CRITICAL |
                                        X509_V_FLAG_EXTENDED_CRL_SUPPORT);
  SignatureVerification::hasCertificateBeenRevoked(root.get(), store.get(), chain.get(),
                                                   crls.get());
  return 0;
}
