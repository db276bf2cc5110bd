// Verifies a data file against its detached signature as the bootstrapper does (signer checks,
// chain to the embedded root, digest of the file) and prints the seconds it took and the peak
// resident memory in KiB.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "Moorstep/SignatureVerification.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: verify_bench DATA SIGNATURE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  moorstep::SignatureVerification verifier;
  verifier.setDataPath(argv[1]);
  verifier.setSignaturePath(argv[2]);
  platform::Pkcs7Ptr pkcs7 = verifier.readPkcs7();
  const bool valid = pkcs7 && verifier.verifyDetachedSignature(pkcs7.get());
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.3f %ld\n", elapsed.count(), usage.ru_maxrss);
  if (!valid) std::fprintf(stderr, "%s\n", verifier.errorString().c_str());
  return valid ? 0 : 1;
}
