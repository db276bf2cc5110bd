#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Moorstep/ParamChecker.h"
#include "Moorstep/QORV.h"

namespace {
using Args = std::vector<std::string>;

constexpr char kUsage[] =
    "Available Options: -silent { -eulaAccepted ( -location <dir> ) -desktopShortcut "
    "-programMenu -allowDownload }\n";

// The rules seen through a fake argument source: exactly what the core asks and forwards.
class FakeArgs : public qorv::ParamCheckerCore {
 public:
  explicit FakeArgs(Args args) : args_(std::move(args)) {}
  unsigned int GetOrigArgCount() override { return static_cast<unsigned int>(args_.size()); }
  const char* GetOrigUtf8Arg(unsigned int i) override { return args_.at(i).c_str(); }
  void PutValidatedUtf8Arg(const char* arg, bool isValue) override {
    put.push_back((isValue ? "value:" : "option:") + std::string(arg));
  }
  void PutRuntimeInstallerUtf8Path(const char*) override { ADD_FAILURE() << "never called"; }
  std::vector<std::string> put;

 private:
  Args args_;
};

struct Case {
  Args args;
  bool goesOn;
  int code;
  bool allowDownload;
  bool silent;
  std::vector<std::string> put;
  std::string out;
};

std::string describe(const Args& args) {
  std::string s;
  for (const auto& a : args) s += "[" + a + "] ";
  return s;
}

TEST(ParamCheckerCore, EveryRuleOfTheCommandLine) {
  const std::string usage = kUsage;
  const std::vector<Case> cases = {
      {{}, true, 0, true, false, {}, ""},
      {{"-version"}, false, 0, false, false, {}, "3.2.0.2060\n"},
      {{"-silent", "-version"}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-silent"}, true, 0, false, false, {"option:-silent"}, ""},
      {{"-allowDownload"}, false, 2, false, false, {}, usage},
      {{"-eulaAccepted"}, false, 2, false, false, {}, usage},
      {{"-silent", "-eulaAccepted", "-allowDownload"},
       true,
       0,
       true,
       true,
       {"option:-silent", "option:-eulaAccepted"},
       ""},
      {{"-eulaAccepted", "-desktopShortcut"},
       true,
       0,
       false,
       false,
       {"option:-eulaAccepted", "option:-desktopShortcut"},
       ""},
      {{"-eulaAccepted", "-silent"},
       false,
       2,
       false,
       true,
       {"option:-eulaAccepted", "option:-silent"},
       usage},
      {{"-silent", "-silent"}, false, 2, false, true, {"option:-silent", "option:-silent"}, usage},
      {{"-silent", "-location"}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-silent", "-location", "-programMenu"},
       true,
       0,
       false,
       true,
       {"option:-silent", "option:-location", "value:-programMenu"},
       ""},
      {{"-location", "-silent", "-eulaAccepted"},
       true,
       0,
       false,
       false,
       {"option:-location", "value:-silent", "option:-eulaAccepted"},
       ""},
      {{"-location", "", "-programMenu"},
       true,
       0,
       false,
       false,
       {"option:-location", "value:", "option:-programMenu"},
       ""},
      {{"-allowDownload", "-allowDownload"}, true, 0, true, false, {}, ""},
      {{"-silent", "-eulaAccepted", "-eulaAccepted"},
       true,
       0,
       false,
       true,
       {"option:-silent", "option:-eulaAccepted", "option:-eulaAccepted"},
       ""},
      {{"-silent", ""}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-silent", "-Silent"}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-silent", "-silentx"}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-silent", "--eulaAccepted"}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-silent", "-bogus", "-silent"}, false, 2, false, true, {"option:-silent"}, usage},
      {{"-programMenu", "-desktopShortcut", "-allowDownload", "-programMenu"},
       true,
       0,
       true,
       false,
       {"option:-programMenu", "option:-desktopShortcut", "option:-programMenu"},
       ""},
      {{"\xff\xfe-silent"}, false, 2, false, false, {}, usage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(describe(c.args));
    FakeArgs core(c.args);
    bool allowDownload = !c.allowDownload, silent = !c.silent;
    qorv::QORVErrorCode code = qorv::kRuntimeUpdatesDisabled;
    testing::internal::CaptureStdout();
    const bool goesOn = core.CheckParams(allowDownload, silent, code);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
    EXPECT_EQ(goesOn, c.goesOn);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(allowDownload, c.allowDownload);
    EXPECT_EQ(silent, c.silent);
    EXPECT_EQ(core.put, c.put);
  }
}

TEST(ParamCheckerCore, NeedsAllowDownloadSentenceGoesToStandardOutput) {
  FakeArgs core({});
  testing::internal::CaptureStdout();
  core.PrintNeedsAllowDownloadFlag();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Unable to download runtime installer without -allowDownload\n");
}

TEST(ParamChecker, DropsProgramPathAndPsnArgumentsAndKeepsTheValidatedList) {
  qorv::ParamChecker none({"/x/Install Sample", "-psn_0_12345"});
  EXPECT_EQ(none.GetOrigArgCount(), 0u);
  bool allow = false, silent = false;
  qorv::QORVErrorCode code = qorv::kInvalidCommandLine;
  EXPECT_TRUE(none.CheckParams(allow, silent, code));
  EXPECT_TRUE(allow);
  EXPECT_FALSE(none.ParamArray()) << "absent, not empty, when nothing was accepted";

  qorv::ParamChecker some({"/x/Install Sample", "-silent", "-psn_0_1", "-location", "-psn",
                           "/opt/apps", "-allowDownload", "-psnfoo"});
  ASSERT_EQ(some.GetOrigArgCount(), 4u);
  EXPECT_STREQ(some.GetOrigUtf8Arg(2), "/opt/apps");
  EXPECT_TRUE(some.CheckParams(allow, silent, code));
  EXPECT_TRUE(allow);
  EXPECT_TRUE(silent);
  EXPECT_EQ(some.ParamArray(), (std::vector<std::string>{"-silent", "-location", "/opt/apps"}));

  qorv::ParamChecker empty(std::vector<std::string>{});
  EXPECT_EQ(empty.GetOrigArgCount(), 0u);
}

}  // namespace
