// A downloaded signature file through the reader and the signer checks, then the detached
// verification of a fixed file against it, chain validation up to the trust anchor included.
#include <cstdint>

#include "Moorstep/SignatureVerification.h"
#include "fuzz/InputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile signature;
  signature.write(data, size);
  // Each input is a fresh run: the chain that a validation captures starts empty.
  moorstep::certChain.reset(sk_X509_new_null());
  moorstep::SignatureVerification verifier;
  verifier.setSignaturePath(signature.path());
  verifier.setDataPath(MOORSTEP_FUZZ_SIGNED_DATA);
  if (platform::Pkcs7Ptr pkcs7 = verifier.readPkcs7())
    verifier.verifyDetachedSignature(pkcs7.get());
  return 0;
}
