#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>

#include "ReceiverMachine.h"
#include "Xvfb.h"

namespace {
using namespace std::chrono_literals;

// The oldest system the bundle starts on, as a user starts it (no options) on a desktop: the
// host's display, reached from the chroot, with the runtime's download stalled.
class OldestDesktop : public testsupport::ReceiverMachine {
 protected:
  void SetUp() override {
    prepare({"bullseye", "libgtk-3-0"});
    if (HasFatalFailure() || IsSkipped()) return;
    std::ofstream(installerPath() + ".stall").flush();
    box_.useDesktop(xvfb_);
  }

  testsupport::Xvfb xvfb_;
};

TEST_F(OldestDesktop, TheProgressWindowShowsAndEscapeCancelsTheRun) {
  testsupport::DevLogCapture log(box_.root() + "/dev-log.sock");
  std::unique_ptr<testsupport::BackgroundRun> run = startInChroot(exe_, {}, log, true);
  ASSERT_TRUE(xvfb_.waitForWindow("Installing Sample", 30)) << "no progress window";
  ASSERT_TRUE(xvfb_.keys("Installing Sample", {"Escape"}));
  ASSERT_TRUE(xvfb_.waitForWindow("Install Sample", 20)) << "no alert after the Cancel";
  ASSERT_TRUE(xvfb_.keys("Install Sample", {"Return"}));
  testsupport::RunResult result = run->finish(30s);
  result.log = log.records();
  EXPECT_EQ(result.exitCode, 11) << result.err;
  EXPECT_TRUE(testsupport::logged(result, "Download cancelled"));
}

}  // namespace
