#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>

#include "E2eSandbox.h"
#include "HttpServer.h"
#include "Xvfb.h"

namespace {

// Pixels of the link's blue inside the window.
int bluePixels(const std::string& png, const testsupport::Xvfb::Geometry& area) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
  if (!pixbuf) return 0;
  int count = 0;
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  for (int y = area.y; y < area.y + area.height && y < gdk_pixbuf_get_height(pixbuf); ++y) {
    for (int x = area.x; x < area.x + area.width && x < gdk_pixbuf_get_width(pixbuf); ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      count += p[2] > 150 && p[0] < 100 && p[1] < 100;
    }
  }
  g_object_unref(pixbuf);
  return count;
}

// The real program on a real display: no installer for this system, so the error dialog with
// message 8 appears; a click on OK ends the run.
TEST(ErrorDialogGui, Message8ShowsItsLinkAndOkEndsTheRunWith11) {
  testsupport::Xvfb xvfb;
  testsupport::E2eSandbox box;
  const std::string exe = box.makeBundle();
  testsupport::HttpServer server(box.dir().make("www"));
  box.setEnv("MOORSTEP_DOWNLOAD_HOST", server.host());
  box.useDesktop(xvfb);
  auto run = std::async(std::launch::async, [&] { return box.run(exe, {}); });

  const auto window = xvfb.waitForWindow("Install Sample", 20);
  ASSERT_TRUE(window) << "the dialog did not appear";
  std::filesystem::create_directories(MOORSTEP_SCREENSHOT_DIR);
  const std::string shot = std::string(MOORSTEP_SCREENSHOT_DIR) + "/error-dialog.png";
  ASSERT_TRUE(xvfb.screenshot(shot));
  EXPECT_GT(bluePixels(shot, *window), 50) << "the link is drawn in blue";
  // OK sits in the bottom right corner, inside the window's 18-pixel margin.
  ASSERT_TRUE(xvfb.click(window->x + window->width - 50, window->y + window->height - 35));
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const testsupport::RunResult result = run.get();
  EXPECT_EQ(result.exitCode, 11);
  EXPECT_EQ(result.log.back().text, "Bootstrapper end with exit code 11");
}

}  // namespace
