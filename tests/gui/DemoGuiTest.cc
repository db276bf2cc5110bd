#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "E2eSandbox.h"
#include "Xvfb.h"

namespace {

// `make demo` on a display: the first run shows the progress window over the paced download,
// the last one the failure message of a tampered installer, which a click dismisses.
TEST(DemoGui, TheDemoShowsTheProgressWindowAndAFailureMessage) {
  testsupport::Xvfb xvfb;
  testsupport::E2eSandbox box;
  box.useDesktop(xvfb);
  // Bounded, so that a failed check cannot leave the demo waiting on its dialog for ever.
  auto demo = std::async(std::launch::async, [&] {
    return box.run("/usr/bin/timeout", {"240", MOORSTEP_DEMO, MOORSTEP_BUILD_DIR});
  });

  std::filesystem::create_directories(MOORSTEP_SCREENSHOT_DIR);
  const auto progress = xvfb.waitForWindow("Installing Sample", 90);
  ASSERT_TRUE(progress) << "the progress window did not appear";
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // some progress to see
  xvfb.screenshot(std::string(MOORSTEP_SCREENSHOT_DIR) + "/demo-progress-window.png");

  const auto failure = xvfb.waitForWindow("Install Sample", 90);
  ASSERT_TRUE(failure) << "the failure message did not appear";
  xvfb.screenshot(std::string(MOORSTEP_SCREENSHOT_DIR) + "/demo-failure-message.png");
  ASSERT_TRUE(xvfb.click(failure->x + failure->width / 2, failure->y + failure->height - 17))
      << "OK spans the dialog's bottom edge";

  ASSERT_EQ(demo.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  const testsupport::RunResult result = demo.get();
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("exit code 13;"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Subprocess Runtime Installer succeeded"), std::string::npos);
}

}  // namespace
