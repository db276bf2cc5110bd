#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "E2eSandbox.h"
#include "HttpServer.h"
#include "TempDir.h"
#include "platform/Task.h"

namespace {
namespace fs = std::filesystem;
using testsupport::E2eSandbox;
using testsupport::RunResult;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

using testsupport::kMessage0;
const std::string kPki = MOORSTEP_TEST_PKI;
const std::string kMessage6 = "Unable to validate the downloaded version of Kavex ZEL.";
const std::string kMessage8 =
    "This application requires an update to Kavex ZEL that is not available";

bool contains(const Strings& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The log line right after a signature's refusal, which gives its reason.
std::string refusalReason(const RunResult& run) {
  const Strings log = testsupport::logTexts(run.log);
  const auto failed = std::find(log.begin(), log.end(), "Detached signature validation failed");
  return failed == log.end() || failed + 1 == log.end() ? std::string() : failed[1];
}

// The whole chain against a server of the test's own: the runtime installer (the sample one)
// and its signature at the download host, the revocation lists at the certificates' addresses,
// which reach the same server through the proxy variables.
class Chain : public ::testing::Test {
 protected:
  Chain() : exe_(box_.makeBundle()), www_(box_.dir().make("www")), server_(www_) {
    std::tie(installerPath_, signaturePath_) = box_.downloadFrom(server_, www_);
    serveCrl("intermediate.crl", kPki + "/crl/intermediate-empty.crl");
    serveCrl("root.crl", kPki + "/crl/root-empty.crl");
  }

  // Serves the sample runtime installer signed by signer (a name of the test PKI).
  void serveSigned(const std::string& signer, const std::string& pki = kPki) {
    fs::copy_file(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, www_ + installerPath_,
                  fs::copy_options::overwrite_existing);
    ASSERT_EQ(E2eSandbox::signInstaller(www_ + installerPath_, www_ + signaturePath_, signer, pki),
              0);
  }
  void serveCrl(const std::string& name, const std::string& file) {
    fs::copy_file(file, www_ + "/" + name, fs::copy_options::overwrite_existing);
  }
  std::string appPath() const {
    return box_.root() + "/Install Sample.app/Contents/Resources/Sample";
  }
  bool runtimeInstalled() const {
    return fs::exists(box_.localDataDir() + "/Frameworks/Kavex ZEL.framework");
  }
  bool tmpIsEmpty() const { return fs::is_empty(box_.tmpDir()); }
  int served(const std::string& path) const {
    const Strings requests = server_.requests();
    return static_cast<int>(std::count(requests.begin(), requests.end(), path));
  }

  E2eSandbox box_;
  std::string exe_;
  std::string www_;
  testsupport::HttpServer server_;
  std::string installerPath_, signaturePath_;
};

TEST_F(Chain, AGoodSignatureInstallsRuntimeAndApplicationInOneRun) {
  serveSigned("good");
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const Strings log = testsupport::logTexts(r.log);
  EXPECT_TRUE(contains(log, "Begin cert chain validation"));
  EXPECT_TRUE(contains(log, "Cert chain validation succeeded"));
  EXPECT_TRUE(contains(log, "Detached signature verified"));
  EXPECT_TRUE(contains(log, "Launching subprocess with commandline \"ZEL Runtime Installer\" -x1 " +
                                appPath() + " "));
  EXPECT_EQ(log.back(), "Bootstrapper end with exit code 0");
  EXPECT_EQ(served("proxy /intermediate.crl"), 1);
  EXPECT_EQ(served("proxy /root.crl"), 1);
  EXPECT_TRUE(runtimeInstalled());
  const std::string installed = box_.userDataDir() + "/Kavex ZEL Applications/Sample";
  EXPECT_TRUE(fs::exists(installed + "/app.txt"));
  EXPECT_TRUE(tmpIsEmpty()) << "installer, signature, lists and the private folder are gone";

  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(contains(testsupport::logTexts(r.log), "Subprocess Application Installer succeeded"))
      << "the second run uses the installed runtime";
}

TEST_F(Chain, ForwardedOptionsReachTheInstallerAndItsStatusIsTheExitCode) {
  serveSigned("good");
  box_.setEnv("SAMPLE_ZEL_EXIT_STATUS", "7");
  RunResult r = box_.run(exe_, {"-silent", "-eulaAccepted", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_EQ(r.err, "") << "an installer's own failure brings no dialog";
  const Strings log = testsupport::logTexts(r.log);
  EXPECT_TRUE(contains(log,
                       "Launching subprocess with commandline \"ZEL Runtime Installer\" "
                       "-silent -eulaAccepted " +
                           appPath() + " "));
  EXPECT_TRUE(contains(log, "Subprocess Runtime Installer failed (7)"));
  EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Chain, ARevokedSignerOrIntermediateRejectsTheInstaller) {
  serveSigned("good");
  serveCrl("intermediate.crl", kPki + "/crl/intermediate-revokes-good.crl");
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 13);
  EXPECT_NE(r.err.find(kMessage6), std::string::npos) << r.err;
  const Strings log = testsupport::logTexts(r.log);
  const auto begin = std::find(log.begin(), log.end(), "Begin cert chain validation");
  ASSERT_NE(begin, log.end());
  EXPECT_EQ(Strings(begin, log.end()),
            (Strings{"Begin cert chain validation", "Cert revocation found",
                     "Cert chain validation failed", "Cert revocation found",
                     "Bootstrapper end with exit code 13"}));
  EXPECT_FALSE(runtimeInstalled());
  EXPECT_TRUE(tmpIsEmpty());

  serveCrl("intermediate.crl", kPki + "/crl/intermediate-empty.crl");
  serveCrl("root.crl", kPki + "/crl/root-revokes-intermediate.crl");
  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 13);
  EXPECT_FALSE(runtimeInstalled());
}

TEST_F(Chain, RevocationListsThatProveNothingAreAccepted) {
  serveSigned("good");
  serveCrl("intermediate.crl", kPki + "/crl/intermediate-expired.crl");
  fs::remove(www_ + "/root.crl");  // 404
  RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 0) << "an expired list and a missing one";
  fs::remove_all(box_.localDataDir() + "/Frameworks");

  box_.dir().write("www/intermediate.crl", "not a revocation list");
  r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 0) << "a list that does not parse";
  EXPECT_TRUE(contains(testsupport::logTexts(r.log), "Cert chain validation succeeded"));
  fs::remove_all(box_.localDataDir() + "/Frameworks");

  serveCrl("intermediate.crl", kPki + "/crl/intermediate-revokes-good.pem");
  r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 13) << "a list in PEM form is used like one in DER form";
}

TEST_F(Chain, ListsOutsideTheirWindowOrLimitedToAReasonStillProveARevocation) {
  serveSigned("good");
  const std::vector<std::pair<std::string, int>> cases = {
      {"intermediate-expired-2020-revokes-good", 13},
      {"intermediate-future-revokes-good", 13},
      {"intermediate-key-compromise-revokes-good", 13},
      {"intermediate-expired-2020", 0},
      {"intermediate-future", 0},
      {"intermediate-forged-revokes-good", 0},
  };
  for (const auto& [list, exitCode] : cases) {
    serveCrl("intermediate.crl", kPki + "/crl/" + list + ".crl");
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, exitCode) << list;
    EXPECT_EQ(runtimeInstalled(), exitCode == 0) << list;
    fs::remove_all(box_.localDataDir() + "/Frameworks");
  }
}

TEST_F(Chain, TheSignersKeyUsageMustBeTheIdentifierOrOneInsideItsArc) {
  for (const char* signer : {"eku-only", "eku-arc"}) {
    serveSigned(signer);
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, 0) << signer;
    fs::remove_all(box_.localDataDir() + "/Frameworks");
  }
  for (const char* signer : {"eku-sibling", "eku-outer", "eku-parent"}) {
    serveSigned(signer);
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, 13) << signer;
    EXPECT_EQ(refusalReason(r),
              "Signature check: The signing certificate did not contain the expected object ID")
        << signer;
    EXPECT_FALSE(runtimeInstalled());
  }
}

TEST_F(Chain, EcdsaSignersAndGnutlsSignaturesInstall) {
  const std::string in = www_ + installerPath_;
  const std::string out = www_ + signaturePath_;
  const std::string chain = box_.root() + "/chain.pem";
  std::ofstream(chain) << std::ifstream(kPki + "/good.pem").rdbuf()
                       << std::ifstream(kPki + "/intermediate.pem").rdbuf();
  // ECDSA P-256 with SHA-256 by the signing tool; P-384 with SHA-512 and RSA by GnuTLS instead.
  const std::vector<std::pair<std::string, Strings>> resigners = {
      {"", {}},
      {MOORSTEP_OPENSSL,
       {"smime", "-sign", "-binary", "-md", "sha512", "-outform", "DER", "-in", in, "-out", out,
        "-signer", kPki + "/ec-p384.pem", "-inkey", kPki + "/ec-p384.key", "-certfile",
        kPki + "/intermediate.pem"}},
      {MOORSTEP_CERTTOOL,
       {"--p7-detached-sign", "--load-privkey", kPki + "/good.key", "--load-certificate", chain,
        "--infile", in, "--outder", "--outfile", out}},
  };
  for (const auto& [tool, arguments] : resigners) {
    serveSigned("ec-p256");
    if (!tool.empty()) {
      ASSERT_EQ(platform::Task::launchAndWait(tool, arguments), 0) << tool;
    }
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, 0) << tool << ": " << r.err;
    EXPECT_TRUE(runtimeInstalled()) << tool;
    fs::remove_all(box_.localDataDir() + "/Frameworks");
  }
}

TEST_F(Chain, TwoCertificatesNamingOneListFetchItOnceAndNoAddressMeansNoDownload) {
  serveSigned("same-crl");
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(served("proxy /root.crl"), 1);
  EXPECT_EQ(served("proxy /intermediate.crl"), 0);
  fs::remove_all(box_.localDataDir() + "/Frameworks");

  // A chain whose certificates name no list at all.
  testsupport::TempDir plain;
  ASSERT_EQ(platform::Task::launchAndWait(MOORSTEP_MAKE_DEV_PKI,
                                          {plain.path(), "--root", MOORSTEP_DEV_PKI}),
            0);
  serveSigned("signer", plain.path());
  const std::size_t before = server_.requests().size();
  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(server_.requests().size(), before + 2) << "installer and signature only";
  EXPECT_FALSE(contains(testsupport::logTexts(r.log), "Begin cert chain validation"));
}

TEST_F(Chain, ATamperedOrForeignSignatureNeverStartsTheInstaller) {
  serveSigned("good");
  std::ofstream(www_ + installerPath_, std::ios::app) << "# one more line\n";
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 13);
  EXPECT_NE(r.err.find(kMessage6), std::string::npos);
  EXPECT_EQ(
      refusalReason(r),
      "Signature check: Error verifying code signature. the file differs from the one signed");
  EXPECT_FALSE(runtimeInstalled());

  const std::vector<std::pair<std::string, std::string>> signers = {
      {"cn-case", "The signing certificate subject name did not match"},
      {"eku-named", "The signing certificate did not contain the expected object ID"},
      {"expired", "Error verifying code signature. certificate has expired"},
  };
  for (const auto& [signer, text] : signers) {
    serveSigned(signer);
    r = box_.run(exe_, {});
    EXPECT_EQ(r.exitCode, 13) << signer;
    EXPECT_EQ(refusalReason(r), "Signature check: " + text);
    EXPECT_FALSE(runtimeInstalled());
  }
  box_.dir().write("www" + signaturePath_, "not a signature at all");
  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 13);
  EXPECT_FALSE(runtimeInstalled());
  EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Chain, MissingFilesOnTheServerShowMessage8) {
  serveSigned("good");
  fs::remove(www_ + signaturePath_);
  RunResult r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 11);
  EXPECT_NE(r.err.find(kMessage8), std::string::npos) << r.err;
  EXPECT_TRUE(tmpIsEmpty());

  serveSigned("good");
  serveCrl("intermediate.crl", kPki + "/crl/intermediate-revokes-good.crl");
  fs::remove(www_ + "/root.crl");
  r = box_.run(exe_, {});
  EXPECT_EQ(r.exitCode, 13);
  EXPECT_NE(r.err.find(kMessage8), std::string::npos)
      << "the list that was not found is the last error: " << r.err;
}

TEST_F(Chain, CtrlCDuringTheDownloadCancelsIt) {
  serveSigned("good");
  box_.dir().write("www" + installerPath_ + ".stall", "");
  auto run = std::async(std::launch::async, [&] { return box_.run(exe_, {}); });
  for (int i = 0; i < 100 && served(installerPath_) == 0; ++i) std::this_thread::sleep_for(50ms);
  std::this_thread::sleep_for(200ms);
  platform::Task::launchAndWait("/usr/bin/pkill",
                                {"-INT", "-f", box_.root() + "/Install Sample.app"});
  ASSERT_EQ(run.wait_for(20s), std::future_status::ready);
  RunResult r = run.get();
  EXPECT_EQ(r.exitCode, 11);
  EXPECT_NE(r.err.find(kMessage0), std::string::npos) << r.err;
  EXPECT_TRUE(contains(testsupport::logTexts(r.log), "Download cancelled"));
  EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Chain, ATerminationRequestDuringTheDownloadLeavesNoFileBehind) {
  serveSigned("good");
  box_.dir().write("www" + installerPath_ + ".stall", "");
  for (const char* signal : {"-TERM", "-INT"}) {
    auto run = std::async(std::launch::async, [&] {
      return box_.run(exe_, {"-silent", "-allowDownload"});
    });
    const std::size_t before = server_.requests().size();
    for (int i = 0; i < 100 && server_.requests().size() == before; ++i) {
      std::this_thread::sleep_for(50ms);
    }
    std::this_thread::sleep_for(200ms);
    platform::Task::launchAndWait("/usr/bin/pkill",
                                  {signal, "-f", box_.root() + "/Install Sample.app"});
    ASSERT_EQ(run.wait_for(20s), std::future_status::ready);
    RunResult r = run.get();
    EXPECT_EQ(r.exitCode, std::string(signal) == "-TERM" ? 128 + SIGTERM : 128 + SIGINT);
    EXPECT_EQ(testsupport::logTexts(r.log).back(),
              "Bootstrapper end with exit code " + std::to_string(r.exitCode));
    EXPECT_TRUE(tmpIsEmpty()) << "the partial download and the private folder are gone";
  }
}

}  // namespace

TEST_F(Chain, StartedThroughTheLauncherLinkBesideTheBundleItInstallsEndToEnd) {
  serveSigned("good");
  const std::string launcher = box_.root() + "/Install Sample";
  EXPECT_EQ(fs::read_symlink(launcher), "Install Sample.app/Contents/MacOS/Install Sample");
  const RunResult validated = box_.run("/usr/bin/desktop-file-validate", {launcher + ".desktop"});
  EXPECT_EQ(validated.exitCode, 0) << validated.out << validated.err;
  EXPECT_EQ(validated.out + validated.err, "") << "not even a hint";
  RunResult r = box_.run(launcher, {}, "../Install Sample");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(contains(
      testsupport::logTexts(r.log),
      "Launching subprocess with commandline \"ZEL Runtime Installer\" -x1 " + appPath() + " "));
  EXPECT_TRUE(fs::exists(box_.userDataDir() + "/Kavex ZEL Applications/Sample/app.txt"));
}

// The README's commands for the publisher, run as they stand in a fresh folder beside the
// source's tools, the build, an installer and an application: the signed installer that they
// make installs with the bundle that they make.
TEST_F(Chain, ThePublishersCommandsInTheReadmeMakeAnInstallerThatInstalls) {
  std::ifstream readme(MOORSTEP_README);
  std::string script, line;
  bool publisher = false, block = false;
  while (std::getline(readme, line)) {
    if (line.rfind("## ", 0) == 0) publisher = line == "## For the publisher";
    if (publisher && line.rfind("```", 0) == 0) {
      block = !block && line == "```sh";
    } else if (publisher && block) {
      script += line + "\n";
    }
  }
  ASSERT_NE(script.find("tools/make-dev-pki"), std::string::npos) << script;
  const std::string folder = box_.dir().make("publisher");
  fs::create_directory_symlink(MOORSTEP_SOURCE_DIR "/tools", folder + "/tools");
  fs::create_directory_symlink(MOORSTEP_BUILD_DIR, folder + "/build");
  fs::copy_file(MOORSTEP_SAMPLE_RUNTIME_INSTALLER, folder + "/installer");
  box_.dir().write("publisher/path/to/Sample/app.txt", "a packaged application\n");
  RunResult made = box_.run("/bin/bash", {"-euo", "pipefail", "-c", "cd ../publisher\n" + script});
  ASSERT_EQ(made.exitCode, 0) << script << made.err;

  fs::copy_file(folder + "/installer", www_ + installerPath_, fs::copy_options::overwrite_existing);
  fs::copy_file(folder + "/installer.p7", www_ + signaturePath_);
  serveCrl("intermediate.crl", folder + "/pki/crl/intermediate.crl");
  serveCrl("root.crl", folder + "/pki/crl/root.crl");
  RunResult r = box_.run(folder + "/dist/Install Sample", {});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(contains(testsupport::logTexts(r.log), "Detached signature verified"));
  EXPECT_EQ(served("proxy /root.crl"), 1) << "the lists are where the certificates say";
  EXPECT_TRUE(fs::exists(box_.userDataDir() + "/Kavex ZEL Applications/Sample/app.txt"));
}

// A desktop session: the proxy is in GNOME's settings (the keyfile back end stands in for
// dconf), and no proxy variable is set, as for a program started from the desktop.
class DesktopProxy : public Chain {
 protected:
  DesktopProxy() {
    box_.setEnv("http_proxy", std::nullopt);
    box_.setEnv("no_proxy", std::nullopt);
    box_.setEnv("XDG_CURRENT_DESKTOP", "GNOME");
    box_.setEnv("GSETTINGS_BACKEND", "keyfile");
    box_.setEnv("GSETTINGS_SCHEMA_DIR", MOORSTEP_GSETTINGS_SCHEMA_DIR);
  }
  void proxySettings(const std::string& ignoreHosts) {
    box_.dir().write("home/.config/glib-2.0/settings/keyfile",
                     "[system/proxy]\nmode='manual'\nignore-hosts=" + ignoreHosts +
                         "\n\n[system/proxy/http]\nhost='127.0.0.1'\nport=" +
                         std::to_string(server_.port()) + "\n");
  }
  void removeRuntime() { fs::remove_all(box_.localDataDir() + "/Frameworks"); }
};

TEST_F(DesktopProxy, EveryDownloadGoesThroughTheDesktopsProxy) {
  serveSigned("good");
  proxySettings("@as []");
  RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(server_.requests(), (Strings{"proxy " + installerPath_, "proxy " + signaturePath_,
                                         "proxy /intermediate.crl", "proxy /root.crl"}));
  EXPECT_TRUE(runtimeInstalled());
}

TEST_F(DesktopProxy, AnIgnoredHostIsReachedDirectlyAndEachRedirectTargetGetsItsOwnProxy) {
  serveSigned("good");
  proxySettings("['127.0.0.1']");
  fs::rename(www_ + installerPath_, www_ + "/moved-installer");
  box_.dir().write("www" + installerPath_ + ".redirect",
                   "http://crl.moorstep.test/moved-installer");
  RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(server_.requests(), (Strings{installerPath_, "proxy /moved-installer", signaturePath_,
                                         "proxy /intermediate.crl", "proxy /root.crl"}));
}

TEST_F(DesktopProxy, TheProxyVariablesWorkWithAndWithoutTheDesktopsResolver) {
  serveSigned("good");
  box_.setEnv("XDG_CURRENT_DESKTOP", std::nullopt);
  box_.setEnv("http_proxy", server_.url(""));
  box_.setEnv("no_proxy", "127.0.0.1");
  const std::string noModules = box_.dir().make("no-gio-modules");
  for (const std::optional<std::string>& moduleDir :
       {std::optional<std::string>(), std::optional<std::string>(noModules)}) {
    box_.setEnv("GIO_MODULE_DIR", moduleDir);
    const std::size_t before = server_.requests().size();
    RunResult r = box_.run(exe_, {"-silent", "-allowDownload"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const Strings requests = server_.requests();
    EXPECT_EQ(
        Strings(requests.begin() + static_cast<std::ptrdiff_t>(before), requests.end()),
        (Strings{installerPath_, signaturePath_, "proxy /intermediate.crl", "proxy /root.crl"}))
        << (moduleDir ? "without glib-networking" : "through libproxy");
    removeRuntime();
  }
}
