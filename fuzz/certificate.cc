// A certificate of a signature's chain through the reader (DER, else PEM) and the extension
// printers whose text decides the revocation lists to fetch, and the decoded key usages.
#include <openssl/objects.h>

#include <cstdint>

#include "Moorstep/SignatureVerification.h"
#include "fuzz/InputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using moorstep::SignatureVerification;
  static fuzz::InputFile file;
  file.write(data, size);
  SignatureVerification verifier;
  platform::X509Ptr certificate = verifier.readCertificateFromPath(file.path());
  if (!certificate) return 0;
  SignatureVerification::extractX509v3Data(certificate.get(), NID_crl_distribution_points);
  SignatureVerification::extractX509v3Data(certificate.get(), NID_key_usage);
  SignatureVerification::carriesKeyUsage(certificate.get(), "1.2.840.771204.1.1.12");
  SignatureVerification::verifySignerNames(certificate.get());
  return 0;
}
