#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "E2eSandbox.h"
#include "HttpServer.h"
#include "LoopbackService.h"
#include "ScopedEnv.h"

namespace {
namespace fs = std::filesystem;
using testsupport::E2eSandbox;
using testsupport::logged;
using testsupport::RunResult;
using Strings = std::vector<std::string>;

const std::string kPki = MOORSTEP_TEST_PKI;
constexpr char kSquid[] = "/usr/sbin/squid";
constexpr char kHelpers[] = "/usr/lib/squid";
constexpr char kKdc[] = "/usr/sbin/krb5kdc";
constexpr char kRealm[] = "MOORSTEP.TEST";

void writeFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  std::fputs(text.c_str(), file);
  std::fclose(file);
  ::chmod(path.c_str(), 0644);
}

bool succeeds(const std::string& command) {
  gint status = -1;
  return g_spawn_command_line_sync(command.c_str(), nullptr, nullptr, &status, nullptr) &&
         status == 0;
}

// A Kerberos realm of the test's own in folder, with its KDC on a loopback port: the user
// "fleet" holds a ticket in ccache(), and the proxy's key is in keytab(). The programs the
// test starts find the realm through KRB5_CONFIG.
class Kdc {
 public:
  explicit Kdc(const std::string& folder) : folder_(folder) {
    env_.set("KRB5_CONFIG", folder + "/krb5.conf");
    env_.set("KRB5_KDC_PROFILE", folder + "/kdc.conf");
    writeFile(folder + "/kdc.conf", "[realms]\n" + std::string(kRealm) +
                                        " = {\n database_name = " + folder +
                                        "/principal\n key_stash_file = " + folder + "/stash\n}\n");
    writeConfig(0);
    for (const std::string& command :
         Strings{"kdb5_util create -s -P master -r " + std::string(kRealm),
                 "kadmin.local -q \"addprinc -randkey fleet\"",
                 "kadmin.local -q \"addprinc -randkey HTTP/localhost\"",
                 "kadmin.local -q \"ktadd -k " + keytab() + " HTTP/localhost\"",
                 "kadmin.local -q \"ktadd -k " + folder + "/fleet.keytab fleet\""}) {
      if (!succeeds(command)) throw std::runtime_error(command + " failed");
    }
    ::chmod(keytab().c_str(), 0644);
    kdc_ = std::make_unique<testsupport::LoopbackService>(folder, [this](int port) {
      writeConfig(port);
      return Strings{kKdc, "-n", "-p", std::to_string(port)};
    });
    if (!succeeds("kinit -k -t " + folder + "/fleet.keytab -c " + ccache() + " fleet")) {
      throw std::runtime_error("kinit failed");
    }
  }

  std::string config() const { return folder_ + "/krb5.conf"; }
  std::string ccache() const { return folder_ + "/ccache"; }
  std::string keytab() const { return folder_ + "/http.keytab"; }

 private:
  void writeConfig(int port) {
    writeFile(config(), "[libdefaults]\n default_realm = " + std::string(kRealm) +
                            "\n dns_lookup_kdc = false\n rdns = false\n"
                            " dns_canonicalize_hostname = false\n[realms]\n" +
                            kRealm + " = {\n kdc = 127.0.0.1:" + std::to_string(port) +
                            "\n}\n[domain_realm]\n localhost = " + kRealm + "\n");
  }

  std::string folder_;
  testsupport::ScopedEnv env_{{"KRB5_CONFIG", "KRB5_KDC_PROFILE"}};
  std::unique_ptr<testsupport::LoopbackService> kdc_;
};

// A Squid of the test's own in folder, on a loopback port, that asks for authentication with
// the helper lines given and sends every request it lets through to origin, the test's server.
class Squid {
 public:
  Squid(const std::string& folder, const std::string& authLines, int origin)
      : service_(folder, [&](int port) {
          // Squid and its helpers run as its unprivileged user, which must read the folder; it
          // writes nothing there.
          ::chmod(fs::path(folder).parent_path().c_str(), 0711);
          ::chmod(folder.c_str(), 0755);
          const std::string conf = folder + "/squid.conf";
          writeFile(conf, "http_port 127.0.0.1:" + std::to_string(port) +
                              "\npid_filename none\ncache_log /dev/null\ncoredump_dir none\n"
                              "access_log none\ncache deny all\npinger_enable off\n"
                              "shutdown_lifetime 0 seconds\n" +
                              authLines +
                              "acl authed proxy_auth REQUIRED\nhttp_access allow authed\n"
                              "http_access deny all\ncache_peer 127.0.0.1 parent " +
                              std::to_string(origin) +
                              " 0 no-query no-digest default\nnever_direct allow all\n");
          return std::vector<std::string>{kSquid, "-N", "-f", conf};
        }) {}

  // The proxy by name: Negotiate asks for the ticket of the service on that name.
  std::string address(const std::string& credentials) const {
    return "http://" + credentials + "localhost:" + std::to_string(service_.port());
  }

 private:
  testsupport::LoopbackService service_;
};

std::string apr1(const std::string& password) {
  gchar* out = nullptr;
  gint status = 0;
  const std::string command = "openssl passwd -apr1 " + password;
  g_spawn_command_line_sync(command.c_str(), &out, nullptr, &status, nullptr);
  std::string hash = out ? out : "";
  g_free(out);
  while (!hash.empty() && hash.back() == '\n') hash.pop_back();
  return hash;
}

// Runs whose every request goes through a proxy that asks for authentication.
class ProxyAuth : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kSquid) || !fs::exists(kKdc)) {
      GTEST_SKIP() << "squid or krb5-kdc is not installed (scripts/install-deps)";
    }
    exe_ = box_.makeBundle();
    www_ = box_.dir().make("www");
    server_ = std::make_unique<testsupport::HttpServer>(www_);
    std::tie(installerPath_, signaturePath_) = box_.downloadFrom(*server_, www_);
    box_.setEnv("no_proxy", std::nullopt);
    fs::copy_file(kPki + "/crl/intermediate-empty.crl", www_ + "/intermediate.crl");
    fs::copy_file(kPki + "/crl/root-empty.crl", www_ + "/root.crl");
    fs::copy_file(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, www_ + installerPath_);
    ASSERT_EQ(E2eSandbox::signInstaller(www_ + installerPath_, www_ + signaturePath_), 0);
  }

  E2eSandbox box_;
  std::string exe_;
  std::string www_;
  std::unique_ptr<testsupport::HttpServer> server_;
  std::string installerPath_, signaturePath_;
};

TEST_F(ProxyAuth, EachSchemeIsAnsweredWithTheAddressesCredentialsAndNeverPrompted) {
  const std::string folder = box_.dir().make("squid");
  writeFile(folder + "/htpasswd", "fleet:" + apr1("s3cret") + "\n");
  writeFile(folder + "/digest", "fleet:s3cret\n");
  Kdc kdc(box_.dir().make("kerberos"));
  box_.setEnv("KRB5_CONFIG", kdc.config());
  const std::string basic = "auth_param basic program " + std::string(kHelpers) +
                            "/basic_ncsa_auth " + folder + "/htpasswd\n";
  const std::string digest = "auth_param digest program " + std::string(kHelpers) +
                             "/digest_file_auth " + folder +
                             "/digest\nauth_param digest realm moorstep\n";
  const std::string ntlm = "auth_param ntlm program " + std::string(kHelpers) + "/ntlm_fake_auth\n";
  const std::string negotiate = "auth_param negotiate program " + std::string(kHelpers) +
                                "/negotiate_kerberos_auth -k " + kdc.keytab() +
                                " -s HTTP/localhost@" + kRealm + "\n";
  const std::string ticket = "FILE:" + kdc.ccache();
  const std::string noTicket = "FILE:" + folder + "/no-ticket";
  const std::vector<std::tuple<std::string, std::string, std::string, std::string, int>> cases = {
      {"basic", basic, "fleet:s3cret@", noTicket, 0},
      {"basic, wrong password", basic, "fleet:wrong@", noTicket, 11},
      {"basic, no credentials", basic, "", ticket, 11},
      {"digest", digest, "fleet:s3cret@", noTicket, 0},
      {"digest, wrong password", digest, "fleet:wrong@", noTicket, 11},
      {"ntlm", ntlm, "CORP%5Cfleet:s3cret@", noTicket, 0},
      {"negotiate, the user's ticket", negotiate, "", ticket, 0},
      {"negotiate, no ticket", negotiate, "", noTicket, 11},
  };
  for (const auto& [name, authLines, credentials, ccache, exitCode] : cases) {
    SCOPED_TRACE(name);
    Squid squid(folder, authLines, server_->port());
    box_.setEnv("http_proxy", squid.address(credentials));
    box_.setEnv("KRB5CCNAME", ccache);
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, exitCode);
    EXPECT_EQ(fs::exists(box_.localDataDir() + "/Frameworks/Kavex ZEL.framework"), exitCode == 0);
    if (exitCode != 0) {
      EXPECT_TRUE(logged(r,
                         "Download failure: The proxy asked for authentication that could not be "
                         "given. (proxy " +
                             squid.address("") + ")"));
      EXPECT_NE(r.err.find("Unable to download Kavex ZEL."), std::string::npos) << r.err;
    }
    for (const std::string& line : testsupport::logTexts(r.log)) {
      EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
    }
    fs::remove_all(box_.localDataDir() + "/Frameworks");
  }
}

}  // namespace
