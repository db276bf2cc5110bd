#include <arpa/inet.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "E2eSandbox.h"
#include "HttpServer.h"

namespace {
namespace fs = std::filesystem;
using testsupport::E2eSandbox;
using testsupport::RunResult;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kPki = MOORSTEP_TEST_PKI;
constexpr char kSquid[] = "/usr/sbin/squid";
constexpr char kHelpers[] = "/usr/lib/squid";

int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

bool accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

// A Squid of the test's own in folder, on a loopback port, that asks for authentication with
// the helper lines given and sends every request it lets through to origin, the test's server.
class Squid {
 public:
  Squid(const std::string& folder, const std::string& authLines, int origin)
      : port_(freeLoopbackPort()) {
    // Squid and its helpers run as its unprivileged user, which must read the folder; it
    // writes nothing there.
    ::chmod(fs::path(folder).parent_path().c_str(), 0711);
    ::chmod(folder.c_str(), 0755);
    const std::string conf = folder + "/squid.conf";
    writeFile(conf, "http_port 127.0.0.1:" + std::to_string(port_) +
                        "\npid_filename none\ncache_log /dev/null\ncoredump_dir none\n"
                        "access_log none\ncache deny all\npinger_enable off\n"
                        "shutdown_lifetime 0 seconds\n" +
                        authLines +
                        "acl authed proxy_auth REQUIRED\nhttp_access allow authed\n"
                        "http_access deny all\ncache_peer 127.0.0.1 parent " +
                        std::to_string(origin) +
                        " 0 no-query no-digest default\nnever_direct allow all\n");
    std::string squid = kSquid;
    std::string foreground = "-N";
    std::string file = "-f";
    std::string confArg = conf;
    char* argv[] = {squid.data(), foreground.data(), file.data(), confArg.data(), nullptr};
    GPid pid = 0;
    if (!g_spawn_async(folder.c_str(), argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                       &pid, nullptr)) {
      throw std::runtime_error("cannot start squid");
    }
    pid_ = pid;
    for (int i = 0; i < 200 && !accepts(port_); ++i) std::this_thread::sleep_for(50ms);
  }
  ~Squid() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Squid(const Squid&) = delete;
  Squid& operator=(const Squid&) = delete;

  std::string address(const std::string& credentials) const {
    return "http://" + credentials + "127.0.0.1:" + std::to_string(port_);
  }

  static void writeFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "w");
    std::fputs(text.c_str(), file);
    std::fclose(file);
    ::chmod(path.c_str(), 0644);
  }

 private:
  int port_;
  pid_t pid_ = -1;
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

bool logged(const RunResult& r, const std::string& line) {
  const Strings lines = testsupport::logTexts(r.log);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Runs whose every request goes through a proxy that asks for authentication.
class ProxyAuth : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kSquid)) GTEST_SKIP() << "squid is not installed (scripts/install-deps)";
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
  Squid::writeFile(folder + "/htpasswd", "fleet:" + apr1("s3cret") + "\n");
  Squid::writeFile(folder + "/digest", "fleet:s3cret\n");
  const std::string basic = "auth_param basic program " + std::string(kHelpers) +
                            "/basic_ncsa_auth " + folder + "/htpasswd\n";
  const std::string digest = "auth_param digest program " + std::string(kHelpers) +
                             "/digest_file_auth " + folder +
                             "/digest\nauth_param digest realm moorstep\n";
  const std::string ntlm = "auth_param ntlm program " + std::string(kHelpers) + "/ntlm_fake_auth\n";
  const std::vector<std::tuple<std::string, std::string, std::string, int>> cases = {
      {"basic", basic, "fleet:s3cret@", 0},
      {"basic, wrong password", basic, "fleet:wrong@", 11},
      {"basic, no credentials", basic, "", 11},
      {"digest", digest, "fleet:s3cret@", 0},
      {"digest, wrong password", digest, "fleet:wrong@", 11},
      {"ntlm", ntlm, "CORP%5Cfleet:s3cret@", 0},
  };
  for (const auto& [name, authLines, credentials, exitCode] : cases) {
    SCOPED_TRACE(name);
    Squid squid(folder, authLines, server_->port());
    box_.setEnv("http_proxy", squid.address(credentials));
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, exitCode);
    EXPECT_EQ(fs::exists(box_.localDataDir() + "/Frameworks/Kavex ZEL.framework"), exitCode == 0);
    if (exitCode != 0) {
      EXPECT_TRUE(logged(
          r, "Download failure: The proxy asked for authentication that could not be given."));
    }
    for (const std::string& line : testsupport::logTexts(r.log)) {
      EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
    }
    fs::remove_all(box_.localDataDir() + "/Frameworks");
  }
}

}  // namespace
