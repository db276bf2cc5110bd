#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "HttpServer.h"
#include "Moorstep/Downloader.h"
#include "Moorstep/Notifications.h"
#include "Moorstep/SignatureVerification.h"
#include "ScopedEnv.h"
#include "SyslogCapture.h"
#include "TempDir.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"

namespace {
using moorstep::SignatureVerification;
using namespace std::chrono_literals;

// Certificates and signatures that the build made with the openssl tool.
class Signatures : public ::testing::Test {
 protected:
  void SetUp() override {
    moorstep::certChain.reset(sk_X509_new_null());
    moorstep::callbackError.reset();
    moorstep::callbackErrorNumber = 0;
  }

  static std::string path(const std::string& name) {
    return std::string(MOORSTEP_TEST_PKI) + "/" + name;
  }
  static platform::X509Ptr certificate(const std::string& name) {
    FILE* file = std::fopen(path(name + ".pem").c_str(), "r");
    if (!file) return nullptr;
    platform::X509Ptr cert(PEM_read_X509(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    return cert;
  }
  static std::string subject(X509* cert) {
    char line[512];
    X509_NAME_oneline(X509_get_subject_name(cert), line, sizeof line);
    return line;
  }
  // readPkcs7 and, when it succeeds, verifyDetachedSignature, as a verification runs them.
  static std::pair<bool, std::string> verify(const std::string& signature,
                                             const std::string& data = "data.bin") {
    SignatureVerification verifier;
    verifier.setSignaturePath(path(signature));
    verifier.setDataPath(path(data));
    platform::Pkcs7Ptr pkcs7 = verifier.readPkcs7();
    const bool valid = pkcs7 && verifier.verifyDetachedSignature(pkcs7.get());
    return {valid, verifier.errorString()};
  }
};

TEST_F(Signatures, SignerNamesMustAllMatchExactlyInTheFirstEntryOfEachType) {
  for (const char* name : {"good", "reordered", "bmp", "utf8"}) {
    EXPECT_TRUE(SignatureVerification::verifySignerNames(certificate(name).get())) << name;
  }
  for (const char* name : {"cn-missing", "cn-case", "o-trailing-blank", "ou-second-only"}) {
    EXPECT_FALSE(SignatureVerification::verifySignerNames(certificate(name).get())) << name;
  }
  EXPECT_FALSE(SignatureVerification::verifySignerNames(nullptr));
}

TEST_F(Signatures, TheKeyUsageMustBeTheIdentifierOrOneInsideItsArc) {
  auto has = [](const char* name) {
    return SignatureVerification::carriesKeyUsage(certificate(name).get(), "1.2.840.771204.1.1.12");
  };
  for (const char* name : {"good", "eku-only", "eku-arc"}) EXPECT_TRUE(has(name)) << name;
  // Identifiers that merely share digits with it belong to other purposes.
  for (const char* name :
       {"eku-prefix", "eku-sibling", "eku-outer", "eku-parent", "eku-named", "eku-none"}) {
    EXPECT_FALSE(has(name)) << name;
  }
  EXPECT_FALSE(has("root")) << "no extended key usage at all";
  EXPECT_FALSE(
      SignatureVerification::extractX509v3Data(certificate("eku-none").get(), NID_ext_key_usage));
  EXPECT_EQ(SignatureVerification::extractX509v3Data(certificate("good").get(), NID_ext_key_usage),
            "Code Signing, 1.2.840.771204.1.1.12");
}

TEST_F(Signatures, CrlDistributionPointsPrintOneUriLinePerName) {
  EXPECT_EQ(SignatureVerification::extractX509v3Data(certificate("two-uris").get(),
                                                     NID_crl_distribution_points),
            "URI:http://crl.example/one.crl\nURI:http://crl.example/two.crl\n");
  EXPECT_EQ(SignatureVerification::extractX509v3Data(certificate("good").get(),
                                                     NID_crl_distribution_points),
            "URI:http://crl.moorstep.test/intermediate.crl\n");
  SignatureVerification verifier;
  const auto root = SignatureVerification::extractX509v3Data(verifier.getKavexRoot().get(),
                                                             NID_crl_distribution_points);
  ASSERT_TRUE(root) << "the anchor names its list only as a directory name";
  EXPECT_EQ(root->find("URI:"), std::string::npos);
  EXPECT_NE(root->find("CRL1"), std::string::npos);
}

TEST_F(Signatures, EveryWayToBeRejectedHasItsOwnText) {
  const std::string verifyPrefix = "Error verifying code signature. ";
  const std::string badSignature = "the signature does not verify with the signer's key";
  struct Case {
    std::string signature, data, message;
  };
  const std::vector<Case> cases = {
      {"missing.p7", "data.bin", "Unable to read signature " + path("missing.p7")},
      {"good.pem.p7", "data.bin", "Error reading PKCS7 code signature"},
      {"garbage.p7", "data.bin", "Error reading PKCS7 code signature"},
      {"truncated.p7", "data.bin", "Error reading PKCS7 code signature"},
      {"empty.p7", "data.bin", "Error reading PKCS7 code signature"},
      {"nocerts.p7", "data.bin", "Unable to get signing certificate from PKCS7 signature"},
      {"cn-case.p7", "data.bin", "The signing certificate subject name did not match"},
      {"ou-second-only.p7", "data.bin", "The signing certificate subject name did not match"},
      {"eku-named.p7", "data.bin",
       "The signing certificate did not contain the expected object ID"},
      {"eku-none.p7", "data.bin", "The signing certificate did not contain the expected object ID"},
      {"eku-sibling.p7", "data.bin",
       "The signing certificate did not contain the expected object ID"},
      {"eku-outer.p7", "data.bin",
       "The signing certificate did not contain the expected object ID"},
      // Forms the PKCS#7 functions cannot read: the signer named by its key identifier, RSA-PSS
      // with an ordinary RSA key, Ed25519.
      {"form-keyid.p7", "data.bin", "Error reading PKCS7 code signature"},
      {"form-pss.p7", "data.bin", verifyPrefix + badSignature},
      {"ed25519.p7", "data.bin", verifyPrefix + badSignature},
      {"good.p7", "missing.bin", "Unable to read data " + path("missing.bin")},
      {"good.p7", "data-changed.bin", verifyPrefix + "the file differs from the one signed"},
      {"form-noattr.p7", "data-changed.bin", verifyPrefix + badSignature},
      {"embedded.p7", "data.bin", verifyPrefix + "the signature carries content of its own"},
      // Digests that collisions have broken, in the signature or in a certificate of its chain.
      {"form-md5.p7", "data.bin", "The signature's message digest is too weak: MD5"},
      {"md5-signer.p7", "data.bin",
       "A certificate of the chain is signed with a too weak digest: MD5"},
      {"under-md5-intermediate.p7", "data.bin",
       "A certificate of the chain is signed with a too weak digest: MD5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature + " over " + c.data);
    // A verification before this one in the same process must not lend it its reason.
    moorstep::callbackError = "certificate has expired";
    const auto [valid, message] = verify(c.signature, c.data);
    EXPECT_FALSE(valid);
    EXPECT_EQ(message, c.message);
  }
  EXPECT_FALSE(moorstep::callbackError) << "no certificate error was involved";
  // Without the legacy provider the library cannot even check an MD4 signature.
  EXPECT_FALSE(verify("md4-signer.p7").first);
}

TEST_F(Signatures, CertificateErrorsCarryTheLibrarysTextAndCode) {
  struct Case {
    std::string signature, text;
    int code;
  };
  const std::vector<Case> cases = {
      {"expired.p7", "certificate has expired", X509_V_ERR_CERT_HAS_EXPIRED},
      {"not-yet-valid.p7", "certificate is not yet valid", X509_V_ERR_CERT_NOT_YET_VALID},
      {"other-root.p7", "self-signed certificate in certificate chain",
       X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature);
    const auto [valid, message] = verify(c.signature);
    EXPECT_FALSE(valid);
    EXPECT_EQ(message, "Error verifying code signature. " + c.text);
    EXPECT_EQ(moorstep::callbackErrorNumber, c.code);
  }
}

TEST_F(Signatures, AGoodSignatureLeavesTheChainAnchorFirstSignerLast) {
  // Signature file and signer: RSA (PKCS#1 v1.5, also 1024 bits and with an RSA-PSS key) and
  // ECDSA, SHA-1 to SHA-512 and SHA-3 (also certificates signed with SHA-1 and SHA-3), with and
  // without signed attributes, DER and BER, made by openssl smime and cms and by GnuTLS.
  const std::vector<std::pair<std::string, std::string>> signatures = {
      {"good", "good"},
      {"reordered", "reordered"},
      {"bmp", "bmp"},
      {"eku-only", "eku-only"},
      {"eku-arc", "eku-arc"},
      {"rsa-pss", "rsa-pss"},
      {"rsa1024", "rsa1024"},
      {"sha1-signer", "sha1-signer"},
      {"form-sha1", "good"},
      {"form-sha224", "good"},
      {"form-sha384", "good"},
      {"form-sha512", "good"},
      {"form-noattr", "good"},
      {"form-cms", "good"},
      {"form-ber", "good"},
      {"form-certtool", "good"},
      {"ec-p256-sha256", "ec-p256"},
      {"ec-p256-sha512", "ec-p256"},
      {"ec-p384-sha256", "ec-p384"},
      {"ec-p384-sha512", "ec-p384"},
      {"ec-p521-sha256", "ec-p521"},
      {"ec-p521-sha512", "ec-p521"},
      {"form-sha3-256", "good"},
      {"form-sha3-384", "good"},
      {"form-sha3-512", "good"},
      {"sha3-signer", "sha3-signer"},
      // Nothing refuses an unknown critical extension, nor a key usage without digital signatures.
      {"critical-unknown", "critical-unknown"},
      {"ku-cert-sign", "ku-cert-sign"},
  };
  for (const auto& [signature, signer] : signatures) {
    SCOPED_TRACE(signature);
    SetUp();
    const auto [valid, message] = verify(signature + ".p7");
    EXPECT_TRUE(valid) << message;
    EXPECT_EQ(message, "");
    ASSERT_EQ(sk_X509_num(moorstep::certChain.get()), 3);
    EXPECT_EQ(subject(sk_X509_value(moorstep::certChain.get(), 0)),
              subject(certificate("root").get()));
    EXPECT_EQ(subject(sk_X509_value(moorstep::certChain.get(), 1)),
              subject(certificate("intermediate").get()));
    EXPECT_EQ(subject(sk_X509_value(moorstep::certChain.get(), 2)),
              subject(certificate(signer).get()));
  }
}

TEST(SignatureVerificationState, TheFirstNonEmptyErrorTextSticks) {
  SignatureVerification verifier;
  EXPECT_EQ(verifier.errorString(), "");
  verifier.setErrorString(std::nullopt);
  verifier.setErrorString("");
  verifier.setErrorString("first");
  verifier.setErrorString("second");
  verifier.setErrorString(std::nullopt);
  EXPECT_EQ(verifier.errorString(), "first");
}

TEST(SignatureVerificationState, TheResultArrivesFromTheLoopOnceWithTheVerifierAsSender) {
  SignatureVerification verifier;
  std::vector<bool> results;
  int observer = 0;
  platform::NotificationCenter::defaultCenter().addObserver(
      &observer, moorstep::SIGNATURE_VERIFY_NOTIFY_DONE, nullptr,
      [&](const platform::Notification& n) {
        EXPECT_EQ(n.object, &verifier);
        results.push_back(n.boolValue(moorstep::SIGNATURE_KEY_IS_VALID));
      });
  verifier.sendNotificationOfResult(true);
  verifier.sendNotificationOfResult(true);
  EXPECT_TRUE(results.empty());
  platform::RunLoop::main().runUntil([&] { return !results.empty(); }, 2s);
  platform::RunLoop::main().runUntil([] { return false; }, 50ms);
  EXPECT_EQ(results, std::vector<bool>{true});
  platform::NotificationCenter::defaultCenter().removeObserver(&observer);
}

}  // namespace

namespace {
namespace fs = std::filesystem;
using moorstep::SignatureVerification;

// The revocation check on its own, after a real phase one has captured the chain.
class Revocation : public ::testing::Test {
 protected:
  void SetUp() override { capture("good.p7"); }
  void capture(const std::string& signature) {
    moorstep::certChain.reset(sk_X509_new_null());
    moorstep::callbackError.reset();
    moorstep::callbackErrorNumber = 0;
    verifier_.setSignaturePath(pki(signature));
    verifier_.setDataPath(pki("data.bin"));
    platform::Pkcs7Ptr pkcs7 = verifier_.readPkcs7();
    ASSERT_TRUE(pkcs7 && verifier_.verifyDetachedSignature(pkcs7.get())) << signature;
    ASSERT_EQ(sk_X509_num(moorstep::certChain.get()), 3);
  }
  static std::string pki(const std::string& name) {
    return std::string(MOORSTEP_TEST_PKI) + "/" + name;
  }
  // A list as the revocation phase reads it, with the captured chain as the only certificates
  // that may have signed it.
  static platform::X509CrlPtr readCrl(const std::string& name) {
    const std::string path = name.starts_with("/") ? name : pki(name);
    return SignatureVerification::readCrlFromPath(path, moorstep::certChain.get());
  }
  bool check(const std::vector<std::string>& crls) {
    std::vector<std::string> paths;
    for (const auto& crl : crls) paths.push_back(pki("crl/" + crl));
    verifier_.setCrlPaths(paths);
    return verifier_.checkCertsAgainstCrls();
  }
  SignatureVerification verifier_;
};

TEST_F(Revocation, WithoutListsNothingIsTestedAndTheChainStays) {
  verifier_.setCrlPaths(std::nullopt);
  EXPECT_TRUE(verifier_.checkCertsAgainstCrls());
  EXPECT_EQ(sk_X509_num(moorstep::certChain.get()), 3);
  EXPECT_TRUE(check({}));
  EXPECT_EQ(sk_X509_num(moorstep::certChain.get()), 3);
}

TEST_F(Revocation, OnlyAProvenRevocationRejectsAndTheChainIsConsumedEitherWay) {
  EXPECT_FALSE(check({"root-empty.crl", "intermediate-revokes-good.crl"}));
  EXPECT_EQ(verifier_.errorString(), "certificate revoked");
  EXPECT_EQ(sk_X509_num(moorstep::certChain.get()), 0);
}

TEST_F(Revocation, ExpiredUnreadableAndMissingListsAreIgnored) {
  EXPECT_TRUE(check({"intermediate-expired.crl"}));
  EXPECT_EQ(sk_X509_num(moorstep::certChain.get()), 0);
  SetUp();
  EXPECT_TRUE(check({"missing.crl", "../data.bin", "root-empty.crl"}));
  SetUp();
  EXPECT_FALSE(check({"root-revokes-intermediate.pem"})) << "PEM works as DER does";
}

// A revocation stays published when its list has expired or is not yet valid, and a list limited
// to some reasons still names what it names. Nothing else turns into a rejection: not a forged
// list (even an expired one), not a delta list on its own, not an indirect list whose entries
// belong to another issuer.
TEST_F(Revocation, ListsOutsideTheirWindowOrLimitedToAReasonProveWhatTheyName) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"intermediate-expired-2020-revokes-good", true},
      {"intermediate-future-revokes-good", true},
      {"intermediate-key-compromise-revokes-good", true},
      {"intermediate-pss-revokes-good", true},
      {"intermediate-critical-unknown-revokes-good", true},
      {"intermediate-expired-2020", false},
      {"intermediate-future", false},
      {"intermediate-key-compromise", false},
      {"intermediate-forged-revokes-good", false},
      {"intermediate-expired-2020-forged-revokes-good", false},
      {"intermediate-delta-revokes-good", false},
      {"intermediate-delta-removes-good", false},
      {"root-indirect-names-good", false},
  };
  for (const auto& [list, revoked] : cases) {
    SCOPED_TRACE(list);
    SetUp();
    EXPECT_EQ(check({"root-empty.crl", list + ".crl"}), !revoked);
    if (revoked) {
      EXPECT_EQ(moorstep::callbackErrorNumber, X509_V_ERR_CERT_REVOKED);
    }
  }
}

// Indirect lists count: the root's, and one by a list-signing certificate that the signature
// carries, when the signer's distribution point names that list's issuer; such a list also
// meets a policy that requires the lists. A list whose signing certificate is not carried proves
// nothing.
TEST_F(Revocation, IndirectListsCountWhenTheirIssuerIsKnown) {
  struct Case {
    std::string signature, list;
    bool revoked, meetsRequire;
  };
  const std::vector<Case> cases = {
      {"indirect.p7", "root-indirect-revokes-indirect", true, false},
      {"indirect.p7", "root-indirect-empty", false, true},
      {"delegated.p7", "crl-signer-revokes-delegated", true, false},
      {"delegated.p7", "crl-signer-empty", false, true},
      {"delegated-uncarried.p7", "crl-signer-revokes-delegated", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature + " with " + c.list);
    for (const bool require : {false, true}) {
      capture(c.signature);
      verifier_.setRevocationPolicy({require, std::nullopt});
      EXPECT_EQ(check({"root-empty.crl", c.list + ".crl"}), require ? c.meetsRequire : !c.revoked);
      EXPECT_EQ(moorstep::callbackErrorNumber == X509_V_ERR_CERT_REVOKED, c.revoked);
    }
  }
}

TEST_F(Revocation, ListsAreReadAsDerThenPem) {
  EXPECT_TRUE(readCrl("crl/root-empty.crl"));
  EXPECT_TRUE(readCrl("crl/root-empty.pem"));
  EXPECT_FALSE(readCrl("data.bin"));
  EXPECT_FALSE(readCrl("nothing-here"));
  // A list that none of the issuers signed is not decoded at all.
  EXPECT_FALSE(readCrl("crl/intermediate-forged-revokes-good.crl"));
  EXPECT_FALSE(readCrl("crl/crl-signer-empty.crl"));
  EXPECT_TRUE(readCrl("crl/intermediate-revokes-good.pem"));
  EXPECT_TRUE(verifier_.readCertificateFromPath(pki("good.pem")));
  EXPECT_FALSE(verifier_.readCertificateFromPath(pki("data.bin")));
  EXPECT_EQ(verifier_.errorString(), "Unable to parse certificate from " + pki("data.bin"));
}

// A file over its limit is refused before it is read, even when what it starts with would parse:
// the parsers read a file whole into memory.
TEST_F(Revocation, FilesOverTheirLimitAreNeverRead) {
  testsupport::TempDir dir;
  auto padded = [&](const std::string& from, std::uintmax_t size) {
    const std::string to =
        dir.path() + "/" + std::to_string(size) + fs::path(from).filename().string();
    fs::copy_file(pki(from), to);
    fs::resize_file(to, size);
    return to;
  };
  const std::uintmax_t kMiB = 1 << 20;
  EXPECT_TRUE(readCrl(padded("crl/root-empty.crl", 64 * kMiB)));
  EXPECT_FALSE(readCrl(padded("crl/root-empty.crl", 64 * kMiB + 1)));
  for (const std::uintmax_t size : {kMiB, kMiB + 1}) {
    SignatureVerification verifier;
    verifier.setSignaturePath(padded("good.p7", size));
    EXPECT_EQ(static_cast<bool>(verifier.readPkcs7()), size == kMiB) << size;
  }
}

}  // namespace

namespace {
namespace fs = std::filesystem;
using moorstep::RevocationPolicy;
using moorstep::SignatureVerification;
using namespace std::chrono_literals;

// Whole verifications of good.p7, from phase one to the result, under an administrator's
// revocation policy. The certificates name http://crl.moorstep.test/intermediate.crl and
// /root.crl; downloads reach the test's server through the proxy variables.
class RevocationPolicyRun : public ::testing::Test {
 protected:
  RevocationPolicyRun() {
    env_.set("TMPDIR", tmp_.path());
    env_.set("MOORSTEP_SYSLOG_CAPTURE", logs_.path() + "/syslog");
    env_.set("http_proxy", server_.url(""));
    env_.set("no_proxy", std::nullopt);
    env_.set("NO_PROXY", std::nullopt);
    moorstep::certChain.reset(sk_X509_new_null());
    downloader_.setIdleTimeout(3s);
  }
  ~RevocationPolicyRun() override { downloader_.cleanupTempFiles(); }

  // Puts a list of the test PKI into the policy's folder and the server's, under name.
  void provide(const std::string& name, const std::string& list) {
    for (const std::string& folder : {lists_.path(), served_.path()}) {
      fs::copy_file(std::string(MOORSTEP_TEST_PKI) + "/crl/" + list, folder + "/" + name,
                    fs::copy_options::overwrite_existing);
    }
  }
  RevocationPolicy inFolder(bool require) const { return {require, lists_.path()}; }

  // The verdict, or nullopt when none came.
  std::optional<bool> verify(const RevocationPolicy& policy) {
    SignatureVerification verifier;
    verifier.setRevocationPolicy(policy);
    // With a folder the downloader must not be needed.
    verifier.setDownloader(policy.folder ? nullptr : &downloader_);
    std::optional<bool> valid;
    platform::NotificationCenter::defaultCenter().addObserver(
        this, moorstep::SIGNATURE_VERIFY_NOTIFY_DONE, &verifier,
        [&](const platform::Notification& n) {
          valid = n.boolValue(moorstep::SIGNATURE_KEY_IS_VALID);
        });
    verifier.verifyDataAtPath(std::string(MOORSTEP_TEST_PKI) + "/data.bin",
                              std::string(MOORSTEP_TEST_PKI) + "/good.p7");
    platform::RunLoop::main().runUntil([&] { return valid.has_value(); }, 10s);
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    reason_ = verifier.errorString();
    return valid;
  }
  std::vector<std::string> log() const {
    return testsupport::logTexts(testsupport::readLogRecords(logs_.path() + "/syslog"));
  }

  testsupport::TempDir tmp_, logs_, lists_, served_;
  testsupport::ScopedEnv env_{
      {"TMPDIR", "MOORSTEP_SYSLOG_CAPTURE", "http_proxy", "no_proxy", "NO_PROXY"}};
  testsupport::HttpServer server_{served_.path()};
  moorstep::Downloader downloader_;
  std::string reason_;
};

TEST_F(RevocationPolicyRun, AFolderTakesThePlaceOfTheDownloads) {
  provide("intermediate.crl", "intermediate-empty.crl");
  provide("root.crl", "root-empty.crl");
  EXPECT_EQ(verify(inFolder(false)), true);
  EXPECT_EQ(verify(inFolder(true)), true);
  provide("intermediate.crl", "intermediate-revokes-good.crl");
  EXPECT_EQ(verify(inFolder(false)), false);
  EXPECT_EQ(reason_, "certificate revoked");
  provide("intermediate.crl", "intermediate-expired-2020-revokes-good.crl");
  EXPECT_EQ(verify(inFolder(true)), false) << "an expired list still proves a revocation";
  EXPECT_EQ(reason_, "certificate revoked");
  EXPECT_TRUE(server_.requests().empty());
}

// Missing, unreadable, forged, of another issuer, outside its validity window or without an
// end to it (a replay of one from before a revocation), limited to a reason: under require each
// refuses and the reason names the list; by default none of them does.
TEST_F(RevocationPolicyRun, ARequiredListThatCannotBeHadRefusesAndIsNamed) {
  const std::string root = "http://crl.moorstep.test/root.crl";
  const std::string intermediate = "http://crl.moorstep.test/intermediate.crl";
  provide("intermediate.crl", "intermediate-empty.crl");
  EXPECT_EQ(verify(inFolder(false)), true);
  EXPECT_EQ(verify(inFolder(true)), false) << "missing from the folder";
  EXPECT_EQ(reason_, "Required certificate revocation list not available: " + root);
  EXPECT_EQ(verify({true, std::nullopt}), false) << "missing from the server";
  EXPECT_EQ(reason_, "Required certificate revocation list not available: " + root);
  const std::vector<std::string> lines = log();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(),
                "Signature check: Required certificate revocation list not available: " + root),
      lines.end());

  provide("root.crl", "root-empty.crl");
  EXPECT_EQ(verify({true, std::nullopt}), true) << "both downloaded";
  for (const char* unusable :
       {"intermediate-forged-revokes-good.crl", "../data.bin", "root-empty.crl",
        "intermediate-expired-2020.crl", "intermediate-future.crl",
        "intermediate-key-compromise.crl", "intermediate-undated.crl"}) {
    provide("intermediate.crl", unusable);
    EXPECT_EQ(verify(inFolder(false)), true) << unusable;
    EXPECT_EQ(verify(inFolder(true)), false) << unusable;
    EXPECT_EQ(reason_, "Required certificate revocation list not available: " + intermediate);
    EXPECT_EQ(verify({true, std::nullopt}), false) << unusable;
    EXPECT_EQ(reason_, "Required certificate revocation list not available: " + intermediate);
  }
}

}  // namespace
