#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "Xvfb.h"

namespace {

struct DemoResult {
  int status = -1;
  std::string out;
};

DemoResult runDemo(const std::string& display, const std::string& tmp) {
  // Bounded, so that a failed check cannot leave the demo waiting on its dialog for ever.
  std::vector<std::string> argv = {"timeout", "240", MOORSTEP_DEMO, MOORSTEP_BUILD_DIR};
  std::vector<std::string> env = {"PATH=/usr/local/bin:/usr/bin:/bin", "DISPLAY=" + display,
                                  "TMPDIR=" + tmp, "HOME=" + tmp, "LANGUAGE=en"};
  std::vector<char*> rawArgv, rawEnv;
  for (auto& a : argv) rawArgv.push_back(a.data());
  rawArgv.push_back(nullptr);
  for (auto& e : env) rawEnv.push_back(e.data());
  rawEnv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  DemoResult result;
  if (g_spawn_sync(nullptr, rawArgv.data(), rawEnv.data(),
                   static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL),
                   nullptr, nullptr, &out, nullptr, &status, nullptr)) {
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  result.out = out ? out : "";
  g_free(out);
  return result;
}

// `make demo` on a display: the first run shows the progress window over the paced download,
// the last one the failure message of a tampered installer, which a click dismisses.
TEST(DemoGui, TheDemoShowsTheProgressWindowAndAFailureMessage) {
  testsupport::Xvfb xvfb;
  testsupport::TempDir tmp;
  auto demo = std::async(std::launch::async, [&] { return runDemo(xvfb.display(), tmp.path()); });

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
  const DemoResult result = demo.get();
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_NE(result.out.find("exit code 13;"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Subprocess Runtime Installer succeeded"), std::string::npos);
}

}  // namespace
