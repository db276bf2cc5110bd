#include <gtest/gtest.h>
#include <syslog.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SyslogCapture.h"
#include "TempDir.h"
#include "libinstall/InstallLogMsgs.h"
#include "libinstall/LibInstall.h"

namespace {
using testsupport::LogRecord;
using testsupport::readLogRecords;

// The capture shim is linked into this test, so every record lands in a file of our own.
class InstallLog : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.path() + "/syslog.txt";
    setenv("MOORSTEP_SYSLOG_CAPTURE", path_.c_str(), 1);
    install::_logToStdout = false;
  }
  void TearDown() override {
    unsetenv("MOORSTEP_SYSLOG_CAPTURE");
    install::_logToStdout = false;
  }
  std::vector<LogRecord> records() const { return readLogRecords(path_); }

  testsupport::TempDir dir_;
  std::string path_;
};

TEST_F(InstallLog, CatalogueWritesEachLineWithItsTextAndPriority) {
  testing::internal::CaptureStdout();
  install::logApplicationBegin("Bootstrapper", "1.0", "Mac", "x86");
  install::logApplicationEnd(true, "Bootstrapper", 0);
  install::logApplicationEnd(false, "Bootstrapper", 13);
  install::logRuntimeInstalled(3, 2, 0, 2060, "/l/Frameworks/Kavex ZEL.framework");
  install::logRuntimeNotInstalled();
  install::logImmediateUpdateDisabled();
  install::logSubprocessBegin("\"ZEL Runtime Installer\" -x1 /app ");
  install::logSubprocessSuccess("Runtime Installer");
  install::logSubprocessFailure("Application Installer", 7);
  install::logDownloadBegin("runtime", "http://h/zel/installer");
  install::logDownloadDest("/tmp/x/installer");
  install::logDownloadSuccess();
  install::logDownloadFailure("could not start download");
  install::logDownloadCancel();
  install::logDownloadRetry(2, 4, "The network connection was lost.", 0, 2000);
  install::logDownloadRetry(1, 4, "bad server response", 503, 1000);
  install::logDownloadStartsOver("the file changed on the server");
  install::logDownloadFailureAtProxy("Could not connect to the proxy.", "http://u:pw@proxy:3128");
  install::logDownloadFailureAtProxy("Could not connect to the proxy.", "u:pw@proxy:3128");
  install::logNoPrivateDownloadFolder();
  install::logSigValid("Detached");
  install::logSigInvalid("Detached");
  install::logSigInvalidReason("The signing certificate did not contain the expected object ID");
  install::logCouldNotLocateAppDir("abc");
  install::logMissingAllowDownloadFlag();
  install::logCertChainBegin();
  install::logCertRevocationFound();
  install::logCertChainSuccess();
  install::logCertChainFailure();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "standard output stays quiet by default";

  const std::vector<LogRecord> expected = {
      {LOG_NOTICE, "Bootstrapper begin with version 1.0 on Mac x86"},
      {LOG_NOTICE, "Bootstrapper end with exit code 0"},
      {LOG_ERR, "Bootstrapper end with exit code 13"},
      {LOG_NOTICE, "Installed runtime (3.2.0.2060) located at /l/Frameworks/Kavex ZEL.framework"},
      {LOG_NOTICE, "No installed runtime detected"},
      {LOG_ERR,
       "Cannot complete installation because runtime updates are disabled on this machine"},
      {LOG_NOTICE, "Launching subprocess with commandline \"ZEL Runtime Installer\" -x1 /app "},
      {LOG_NOTICE, "Subprocess Runtime Installer succeeded"},
      {LOG_ERR, "Subprocess Application Installer failed (7)"},
      {LOG_NOTICE, "Begin runtime download from http://h/zel/installer"},
      {LOG_NOTICE, "Download destination is /tmp/x/installer"},
      {LOG_NOTICE, "Download success"},
      {LOG_ERR, "Download failure: could not start download"},
      {LOG_NOTICE, "Download cancelled"},
      {LOG_NOTICE, "Download retry 2 of 4 in 2000 ms after: The network connection was lost."},
      {LOG_NOTICE, "Download retry 1 of 4 in 1000 ms after: HTTP 503, bad server response"},
      {LOG_NOTICE, "Download starts over: the file changed on the server"},
      {LOG_ERR, "Download failure: Could not connect to the proxy. (proxy http://proxy:3128)"},
      {LOG_ERR, "Download failure: Could not connect to the proxy. (proxy proxy:3128)"},
      {LOG_ERR, "No private download folder could be made"},
      {LOG_NOTICE, "Detached signature verified"},
      {LOG_ERR, "Detached signature validation failed"},
      {LOG_NOTICE,
       "Signature check: The signing certificate did not contain the expected object ID"},
      {LOG_ERR, "Could not locate native install directory (\"abc\")"},
      {LOG_ERR, "Unable to download runtime installer without -allowDownload"},
      {LOG_NOTICE, "Begin cert chain validation"},
      {LOG_NOTICE, "Cert revocation found"},
      {LOG_NOTICE, "Cert chain validation succeeded"},
      {LOG_ERR, "Cert chain validation failed"},
  };
  EXPECT_EQ(records(), expected);
}

TEST_F(InstallLog, SeveritiesMapToPrioritiesAndAnInvalidOneWritesNothing) {
  EXPECT_EQ(install::installLog(install::kSeverityError, "e%d", 0), 0);
  EXPECT_EQ(install::installLog(install::kSeverityWarning, "w"), 0);
  EXPECT_EQ(install::installLog(install::kSeverityNotice, "n"), 0);
  EXPECT_EQ(install::installLog(install::kSeverityDebug, "d"), 0);
  EXPECT_EQ(install::installLog(static_cast<install::severity_t>(4), "bad"), -3);
  EXPECT_EQ(install::installLog(static_cast<install::severity_t>(-1), "bad"), -3);
  const std::vector<LogRecord> expected = {
      {LOG_ERR, "e0"}, {LOG_WARNING, "w"}, {LOG_NOTICE, "n"}, {LOG_DEBUG, "d"}};
  EXPECT_EQ(records(), expected);
}

TEST_F(InstallLog, StdoutCopyIsPrefixedAndWrittenEvenForAnInvalidSeverity) {
  install::_logToStdout = true;
  testing::internal::CaptureStdout();
  install::logDownloadSuccess();
  install::installLog(static_cast<install::severity_t>(9), "odd %s", "line");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "status Download success\nstatus odd line\n");
  EXPECT_EQ(records(), (std::vector<LogRecord>{{LOG_NOTICE, "Download success"}}));
}

TEST_F(InstallLog, ValuesArePassedAsDataNeverAsFormat) {
  install::logCouldNotLocateAppDir("%s%n%x");
  install::logDownloadFailure("100% done\nnext");
  const std::vector<LogRecord> expected = {
      {LOG_ERR, "Could not locate native install directory (\"%s%n%x\")"},
      {LOG_ERR, "Download failure: 100% done\\x0anext"}};
  EXPECT_EQ(records(), expected);
}

// Text from a server or the environment can neither break a line, nor pose as another line,
// nor make it read backwards; what is plain stays as it is.
TEST_F(InstallLog, OutsideTextIsEscapedIntoOnePrintableLine) {
  const struct {
    std::string text;
    std::string logged;
  } cases[] = {
      {"/tmp/x/caf\xc3\xa9 \xe2\x82\xac.pkg", "/tmp/x/caf\xc3\xa9 \xe2\x82\xac.pkg"},
      {"a\x1b[31mred\x7f", "a\\x1b[31mred\\x7f"},
      {"host\r\nBootstrapper end with exit code 0",
       "host\\x0d\\x0aBootstrapper end with exit code 0"},
      {"\xe2\x80\xaegpj.exe", "\\u202egpj.exe"},
      {"\xe2\x81\xa6x\xe2\x81\xa9\xe2\x80\x8f\xe2\x80\xa8\xc2\x85",
       "\\u2066x\\u2069\\u200f\\u2028\\u0085"},
      {"bad\xff\xc3(\xed\xa0\x80"
       "end\xe2\x82",
       "bad\\xff\\xc3(\\xed\\xa0\\x80end\\xe2\\x82"},
      {"C:\\x1b", "C:\\\\x1b"},
  };
  for (const auto& c : cases) install::logDownloadDest(c.text.c_str());
  install::logDownloadBegin("runtime", "http://h\n.example/\xe2\x80\xae");
  // The verifier's reasons name the downloaded files, whose names the server chose.
  install::logSigInvalidReason("Unable to read signature /tmp/m/\xe2\x80\xae\n");
  const std::vector<LogRecord> logged = records();
  ASSERT_EQ(logged.size(), std::size(cases) + 2);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(logged[i].text, "Download destination is " + cases[i].logged) << i;
  }
  EXPECT_EQ(logged[std::size(cases)].text,
            "Begin runtime download from http://h\\x0a.example/\\u202e");
  EXPECT_EQ(logged.back().text, "Signature check: Unable to read signature /tmp/m/\\u202e\\x0a");
}

}  // namespace
