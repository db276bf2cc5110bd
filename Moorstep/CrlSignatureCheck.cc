#include "Moorstep/CrlSignatureCheck.h"

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Handles.h"

namespace moorstep {

namespace {
using NamePtr = std::unique_ptr<X509_NAME, platform::FreeWith<X509_NAME_free>>;
using AlgorithmPtr = std::unique_ptr<X509_ALGOR, platform::FreeWith<X509_ALGOR_free>>;
using BitStringPtr = std::unique_ptr<ASN1_BIT_STRING, platform::FreeWith<ASN1_BIT_STRING_free>>;
using PssParamsPtr = std::unique_ptr<RSA_PSS_PARAMS, platform::FreeWith<RSA_PSS_PARAMS_free>>;
using DigestContextPtr = std::unique_ptr<EVP_MD_CTX, platform::FreeWith<EVP_MD_CTX_free>>;

// The start of a list holds its signed part's header fields and its issuer's name; its end,
// after the signed part, the signature's algorithm and value. Neither is near this long in a
// real list, and only these two pieces are ever held in memory before a signature verifies.
constexpr long kHeadBytes = 64 * 1024;
constexpr long kTailBytes = 64 * 1024;
constexpr long kChunkBytes = 64 * 1024;

struct Element {
  long header = 0;
  long length = 0;
  int tag = 0;
};

// The element whose header starts at offset at of buffer, inside an enclosing element that ends
// at offset end of the list. A constructed element's content may lie beyond what the buffer
// holds (the library then flags it as too long for it); a primitive one's may not. Indefinite
// lengths, which DER does not have, are refused.
std::optional<Element> element(const std::vector<unsigned char>& buffer, long at, long end) {
  const long room = static_cast<long>(buffer.size()) - at;
  if (at < 0 || room <= 0) return std::nullopt;
  const unsigned char* start = buffer.data() + at;
  const unsigned char* content = start;
  Element found;
  int objectClass = 0;
  ERR_set_mark();
  const int flags = ASN1_get_object(&content, &found.length, &found.tag, &objectClass, room);
  ERR_pop_to_mark();
  const bool constructed = (flags & V_ASN1_CONSTRUCTED) != 0;
  if (((flags & 0x80) && !constructed) || (flags & 0x01) || objectClass != V_ASN1_UNIVERSAL) {
    return std::nullopt;
  }
  found.header = content - start;
  if (found.length < 0 || found.length > end - at - found.header) return std::nullopt;
  return found;
}

bool readFromBio(BIO* bio, long offset, unsigned char* into, long count) {
  if (BIO_seek(bio, offset) < 0) return false;
  while (count > 0) {
    std::size_t got = 0;
    if (BIO_read_ex(bio, into, static_cast<std::size_t>(count), &got) != 1 || got == 0) {
      return false;
    }
    into += got;
    count -= static_cast<long>(got);
  }
  return true;
}

// What of a list the check needs, found without decoding any entry.
struct Layout {
  long signedAt = 0;
  long signedLength = 0;
  NamePtr issuer;
  AlgorithmPtr algorithm;
  BitStringPtr signature;
};

// The signed part (tbsCertList) and, inside it, the issuer's name after the optional version
// and the inner algorithm.
bool readHead(const CrlSignatureCheck::ReadAt& readAt, long size, Layout& layout, long& outerEnd) {
  std::vector<unsigned char> head(static_cast<std::size_t>(std::min(size, kHeadBytes)));
  if (!readAt(0, head.data(), static_cast<long>(head.size()))) return false;
  const std::optional<Element> outer = element(head, 0, size);
  if (!outer || outer->tag != V_ASN1_SEQUENCE) return false;
  outerEnd = outer->header + outer->length;
  const std::optional<Element> tbs = element(head, outer->header, outerEnd);
  if (!tbs || tbs->tag != V_ASN1_SEQUENCE) return false;
  layout.signedAt = outer->header;
  layout.signedLength = tbs->header + tbs->length;
  const long tbsEnd = layout.signedAt + layout.signedLength;
  long at = layout.signedAt + tbs->header;
  std::optional<Element> field = element(head, at, tbsEnd);
  if (field && field->tag == V_ASN1_INTEGER) {
    at += field->header + field->length;
    field = element(head, at, tbsEnd);
  }
  if (!field || field->tag != V_ASN1_SEQUENCE) return false;
  at += field->header + field->length;
  field = element(head, at, tbsEnd);
  if (!field || field->tag != V_ASN1_SEQUENCE) return false;
  const long nameLength = field->header + field->length;
  if (nameLength > static_cast<long>(head.size()) - at) return false;
  const unsigned char* name = head.data() + at;
  layout.issuer.reset(d2i_X509_NAME(nullptr, &name, nameLength));
  return static_cast<bool>(layout.issuer);
}

// The signature's algorithm and value, which must fill the list to its end.
bool readTail(const CrlSignatureCheck::ReadAt& readAt, long outerEnd, Layout& layout) {
  const long at = layout.signedAt + layout.signedLength;
  const long length = outerEnd - at;
  if (length <= 0 || length > kTailBytes) return false;
  std::vector<unsigned char> tail(static_cast<std::size_t>(length));
  if (!readAt(at, tail.data(), length)) return false;
  const unsigned char* p = tail.data();
  const unsigned char* end = p + length;
  layout.algorithm.reset(d2i_X509_ALGOR(nullptr, &p, end - p));
  if (!layout.algorithm) return false;
  layout.signature.reset(d2i_ASN1_BIT_STRING(nullptr, &p, end - p));
  // A signature is whole bytes.
  return layout.signature && p == end &&
         !((layout.signature->flags & ASN1_STRING_FLAG_BITS_LEFT) && (layout.signature->flags & 7));
}

// The digest, mask digest and salt length of an RSA-PSS signature, with the defaults that its
// parameters may leave out (SHA-1, MGF1 with SHA-1, 20 bytes).
bool setUpPss(EVP_MD_CTX* context, const X509_ALGOR* algorithm, EVP_PKEY* key) {
  const int keyType = EVP_PKEY_get_base_id(key);
  if (keyType != EVP_PKEY_RSA && keyType != EVP_PKEY_RSA_PSS) return false;
  const PssParamsPtr params(static_cast<RSA_PSS_PARAMS*>(
      ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(RSA_PSS_PARAMS), algorithm->parameter)));
  if (!params) return false;
  const EVP_MD* digest =
      params->hashAlgorithm ? EVP_get_digestbyobj(params->hashAlgorithm->algorithm) : EVP_sha1();
  const EVP_MD* maskDigest = EVP_sha1();
  if (params->maskGenAlgorithm) {
    const AlgorithmPtr maskHash(static_cast<X509_ALGOR*>(ASN1_TYPE_unpack_sequence(
        ASN1_ITEM_rptr(X509_ALGOR), params->maskGenAlgorithm->parameter)));
    if (OBJ_obj2nid(params->maskGenAlgorithm->algorithm) != NID_mgf1 || !maskHash) return false;
    maskDigest = EVP_get_digestbyobj(maskHash->algorithm);
  }
  const long salt = params->saltLength ? ASN1_INTEGER_get(params->saltLength) : 20;
  const long trailer = params->trailerField ? ASN1_INTEGER_get(params->trailerField) : 1;
  EVP_PKEY_CTX* keyContext = nullptr;
  return digest && maskDigest && salt >= 0 && salt <= INT_MAX && trailer == 1 &&
         EVP_DigestVerifyInit(context, &keyContext, digest, nullptr, key) == 1 &&
         EVP_PKEY_CTX_set_rsa_padding(keyContext, RSA_PKCS1_PSS_PADDING) > 0 &&
         EVP_PKEY_CTX_set_rsa_mgf1_md(keyContext, maskDigest) > 0 &&
         EVP_PKEY_CTX_set_rsa_pss_saltlen(keyContext, static_cast<int>(salt)) > 0;
}

// Readies context for the list's signature algorithm under key. whole tells that the key signs
// the message itself rather than a digest (Ed25519, Ed448), which then goes in one piece.
bool setUp(EVP_MD_CTX* context, const X509_ALGOR* algorithm, EVP_PKEY* key, bool& whole) {
  whole = false;
  const int algorithmNid = OBJ_obj2nid(algorithm->algorithm);
  if (algorithmNid == NID_rsassaPss) return setUpPss(context, algorithm, key);
  int digestNid = NID_undef;
  int keyNid = NID_undef;
  if (!OBJ_find_sigid_algs(algorithmNid, &digestNid, &keyNid) ||
      EVP_PKEY_get_base_id(key) != keyNid) {
    return false;
  }
  whole = digestNid == NID_undef;
  const EVP_MD* digest = whole ? nullptr : EVP_get_digestbynid(digestNid);
  if (whole ? keyNid != NID_ED25519 && keyNid != NID_ED448 : !digest) return false;
  return EVP_DigestVerifyInit(context, nullptr, digest, nullptr, key) == 1;
}

// The signed part through the verifier as it is read; in one piece only for the keys that need
// it, which only a certificate of the chain with such a key gets to.
bool verifiesUnder(const CrlSignatureCheck::ReadAt& readAt, const Layout& layout, EVP_PKEY* key) {
  DigestContextPtr context(EVP_MD_CTX_new());
  bool whole = false;
  if (!key || !context || !setUp(context.get(), layout.algorithm.get(), key, whole)) return false;
  const unsigned char* signature = ASN1_STRING_get0_data(layout.signature.get());
  const auto signatureLength = static_cast<std::size_t>(ASN1_STRING_length(layout.signature.get()));
  std::vector<unsigned char> chunk(static_cast<std::size_t>(
      whole ? layout.signedLength : std::min(layout.signedLength, kChunkBytes)));
  if (whole) {
    return readAt(layout.signedAt, chunk.data(), layout.signedLength) &&
           EVP_DigestVerify(context.get(), signature, signatureLength, chunk.data(),
                            chunk.size()) == 1;
  }
  for (long done = 0; done < layout.signedLength;) {
    const long count = std::min(layout.signedLength - done, kChunkBytes);
    if (!readAt(layout.signedAt + done, chunk.data(), count) ||
        EVP_DigestVerifyUpdate(context.get(), chunk.data(), static_cast<std::size_t>(count)) != 1) {
      return false;
    }
    done += count;
  }
  return EVP_DigestVerifyFinal(context.get(), signature, signatureLength) == 1;
}
}  // namespace

CrlSignatureCheck::ReadAt CrlSignatureCheck::fromBio(BIO* bio) {
  return
      [bio](long at, unsigned char* into, long count) { return readFromBio(bio, at, into, count); };
}

CrlSignatureCheck::ReadAt CrlSignatureCheck::fromBytes(const unsigned char* bytes,
                                                       std::size_t length) {
  return [bytes, length](long at, unsigned char* into, long count) {
    if (at < 0 || count < 0 || static_cast<std::size_t>(at) > length ||
        static_cast<std::size_t>(count) > length - static_cast<std::size_t>(at)) {
      return false;
    }
    std::memcpy(into, bytes + at, static_cast<std::size_t>(count));
    return true;
  };
}

bool CrlSignatureCheck::signedByOneOf(const ReadAt& readAt, std::uint64_t size,
                                      STACK_OF(X509) * issuers) {
  if (size == 0 || size > static_cast<std::uint64_t>(LONG_MAX)) return false;
  Layout layout;
  long outerEnd = 0;
  bool found = false;
  ERR_set_mark();
  if (readHead(readAt, static_cast<long>(size), layout, outerEnd) &&
      readTail(readAt, outerEnd, layout)) {
    for (int i = 0; !found && i < sk_X509_num(issuers); ++i) {
      X509* issuer = sk_X509_value(issuers, i);
      found = X509_NAME_cmp(X509_get_subject_name(issuer), layout.issuer.get()) == 0 &&
              verifiesUnder(readAt, layout, X509_get0_pubkey(issuer));
    }
  }
  // A failed check leaves nothing in the library's error queue for later calls to find.
  ERR_pop_to_mark();
  return found;
}

}  // namespace moorstep
