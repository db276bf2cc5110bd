#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BackgroundRun.h"
#include "E2eSandbox.h"
#include "HttpServer.h"
#include "Xvfb.h"

namespace {

// The real program on a real display, its runtime download stalled.
class CancelGui : public ::testing::Test {
 protected:
  CancelGui() : exe(box.makeBundle()), www(box.dir().make("www")), server(www) {
    const std::string installer = testsupport::E2eSandbox::downloadPaths().first;
    box.dir().write("www" + installer, "#!/bin/sh\nexit 0\n");
    box.dir().write("www" + installer + ".stall", "");
    box.setEnv("MOORSTEP_DOWNLOAD_HOST", server.host());
    box.useDesktop(xvfb);
  }

  testsupport::Xvfb xvfb;
  testsupport::E2eSandbox box;
  const std::string exe;
  const std::string www;
  testsupport::HttpServer server;
};

// A click on the progress window's Cancel ends the list, the alert with message 0 follows, and
// its OK ends the run.
TEST_F(CancelGui, TheCancelButtonEndsTheRunWith11AndLeavesNoFile) {
  auto run = std::async(std::launch::async, [&] { return box.run(exe, {}); });

  const auto progress = xvfb.waitForWindow("Installing Sample", 20);
  ASSERT_TRUE(progress) << "the progress window did not appear";
  std::filesystem::create_directories(MOORSTEP_SCREENSHOT_DIR);
  xvfb.screenshot(std::string(MOORSTEP_SCREENSHOT_DIR) + "/progress-window-real.png");
  ASSERT_TRUE(xvfb.click(progress->x + progress->width - 55, progress->y + progress->height - 35));

  const auto alert = xvfb.waitForWindow("Install Sample", 20);
  ASSERT_TRUE(alert) << "the alert did not appear";
  xvfb.screenshot(std::string(MOORSTEP_SCREENSHOT_DIR) + "/alert.png");
  ASSERT_TRUE(xvfb.click(alert->x + alert->width / 2, alert->y + alert->height - 20));
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const testsupport::RunResult result = run.get();
  EXPECT_EQ(result.exitCode, 11);
  bool cancelled = false;
  for (const auto& record : result.log) cancelled |= record.text == "Download cancelled";
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(std::filesystem::is_empty(box.tmpDir()));
}

// Without a pointer: a screen reader finds the bar named by the window's text, with its value;
// Escape is Cancel, and the alert that follows ends the run on Enter.
TEST_F(CancelGui, EscapeIsTheWindowsCancelAndTheBarIsNamedByTheText) {
  auto run = std::async(std::launch::async, [&] { return box.run(exe, {}); });

  ASSERT_TRUE(xvfb.waitForWindow("Installing Sample", 20)) << "no progress window";
  if (const auto tree = xvfb.accessibles("Install Sample")) {
    EXPECT_NE(tree->find("progress bar\tPlease wait.\t0.0\n"), std::string::npos) << *tree;
  }
  ASSERT_TRUE(xvfb.keys("Installing Sample", {"Escape"}));
  ASSERT_TRUE(xvfb.waitForWindow("Install Sample", 20)) << "no alert after the Cancel";
  ASSERT_TRUE(xvfb.keys("Install Sample", {"Return"}));
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const testsupport::RunResult result = run.get();
  EXPECT_EQ(result.exitCode, 11);
  const std::vector<std::string> log = testsupport::logTexts(result.log);
  EXPECT_NE(std::find(log.begin(), log.end(), "Download cancelled"), log.end());
}

// Opened as a desktop opens it, through the entry beside the bundle.
TEST_F(CancelGui, TheDesktopEntryStartsTheInstaller) {
  // In the background: the program that gio starts keeps gio's output open.
  std::unique_ptr<testsupport::BackgroundRun> gio =
      box.start("/usr/bin/gio", {"launch", box.root() + "/Install Sample.desktop"}, {});
  ASSERT_TRUE(xvfb.waitForWindow("Installing Sample", 20)) << "no progress window";
  ASSERT_TRUE(xvfb.keys("Installing Sample", {"Escape"}));
  ASSERT_TRUE(xvfb.waitForWindow("Install Sample", 20)) << "no alert after the Cancel";
  ASSERT_TRUE(xvfb.keys("Install Sample", {"Return"}));
  for (int tries = 0; tries < 200 && !std::filesystem::is_empty(box.tmpDir()); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(std::filesystem::is_empty(box.tmpDir())) << "the run ended and cleaned up";
  EXPECT_EQ(gio->finish().exitCode, 0);
}

// The same run with signals instead of clicks: Ctrl-C (SIGINT) while the window offers Cancel is
// that Cancel, and SIGTERM while the alert waits ends the run at once, with no further message.
TEST_F(CancelGui, CtrlCIsTheWindowsCancelAndTermEndsTheWaitingAlert) {
  std::unique_ptr<testsupport::BackgroundRun> run = box.start(exe, {}, {});

  ASSERT_TRUE(xvfb.waitForWindow("Installing Sample", 20)) << "no progress window";
  run->signal(SIGINT);
  ASSERT_TRUE(xvfb.waitForWindow("Install Sample", 20)) << "no alert after the Cancel";
  run->signal(SIGTERM);
  const testsupport::RunResult result = run->finish();
  EXPECT_EQ(result.exitCode, 128 + SIGTERM);
  const std::vector<std::string> log = testsupport::logTexts(result.log);
  EXPECT_NE(std::find(log.begin(), log.end(), "Download cancelled"), log.end());
  EXPECT_EQ(log.back(), "Bootstrapper end with exit code 143");
  EXPECT_TRUE(std::filesystem::is_empty(box.tmpDir()));
}

}  // namespace
