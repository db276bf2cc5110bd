#pragma once

#include <openssl/bio.h>
#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace moorstep {

// Whether a revocation list in DER form was signed by one of some certificates, found before
// its entries are decoded: the list is walked with the library's header reader only as far as
// its issuer's name, and its signed part is hashed as it is read. A forged list, however many
// entries it claims, then costs one pass over its bytes and no memory; what a list's host sends
// does not decide what a run holds.
class CrlSignatureCheck {
 public:
  // Reads count bytes of the list from offset at; false when they are not all there.
  using ReadAt = std::function<bool(long at, unsigned char* into, long count)>;
  // The list is size bytes long. Only certificates whose subject is its issuer are tried.
  static bool signedByOneOf(const ReadAt& readAt, std::uint64_t size, STACK_OF(X509) * issuers);
  // A file BIO that starts with the list.
  static ReadAt fromBio(BIO* file);
  // A list in memory, which must outlive the reader.
  static ReadAt fromBytes(const unsigned char* bytes, std::size_t length);
};

}  // namespace moorstep
