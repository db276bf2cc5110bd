#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <string>

#include "E2eSandbox.h"
#include "HttpServer.h"
#include "Xvfb.h"

namespace {

double luminance(const guchar* p) {
  double sum = 0;
  const double weights[] = {0.2126, 0.7152, 0.0722};
  for (int i = 0; i < 3; ++i) {
    const double c = p[i] / 255.0;
    sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}

// Pixels of a link colour (clearly blue) inside the window that stand out from the window's
// background (its most common colour) with a contrast ratio of at least 3. The dark theme's own
// link colour reaches 3.2 there; the pure blue the dialog once drew reached 1.4.
int readableLinkPixels(const std::string& png, const testsupport::Xvfb::Geometry& area) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
  if (!pixbuf) return 0;
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int bottom = std::min(area.y + area.height, gdk_pixbuf_get_height(pixbuf));
  const int right = std::min(area.x + area.width, gdk_pixbuf_get_width(pixbuf));
  std::map<int, int> counts;
  const guchar* background = nullptr;
  for (int y = area.y; y < bottom; ++y) {
    for (int x = area.x; x < right; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      if (++counts[p[0] << 16 | p[1] << 8 | p[2]] > counts[0x1000000]) {
        counts[0x1000000] = counts[p[0] << 16 | p[1] << 8 | p[2]];
        background = p;
      }
    }
  }
  int count = 0;
  const double backgroundLuminance = background ? luminance(background) : 0;
  for (int y = area.y; y < bottom; ++y) {
    for (int x = area.x; x < right; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      const double l = luminance(p);
      const double contrast =
          (std::max(l, backgroundLuminance) + 0.05) / (std::min(l, backgroundLuminance) + 0.05);
      count += p[2] > p[0] + 60 && p[2] > p[1] + 30 && contrast >= 3.0;
    }
  }
  g_object_unref(pixbuf);
  return count;
}

// The real program on a real display: no installer for this system, so the error dialog with
// message 8 appears.
class ErrorDialogGui : public ::testing::TestWithParam<const char*> {
 protected:
  ErrorDialogGui() : exe(box.makeBundle()), server(box.dir().make("www")) {
    box.setEnv("MOORSTEP_DOWNLOAD_HOST", server.host());
    box.useDesktop(xvfb);
  }

  testsupport::Xvfb xvfb;
  testsupport::E2eSandbox box;
  const std::string exe;
  testsupport::HttpServer server;
};

// In the light and the dark theme the link reads well; a click on OK ends the run.
TEST_P(ErrorDialogGui, Message8ShowsItsLinkReadablyAndOkEndsTheRunWith11) {
  box.setEnv("GTK_THEME", GetParam());
  auto run = std::async(std::launch::async, [&] { return box.run(exe, {}); });

  const auto window = xvfb.waitForWindow("Install Sample", 20);
  ASSERT_TRUE(window) << "the dialog did not appear";
  std::filesystem::create_directories(MOORSTEP_SCREENSHOT_DIR);
  const std::string shot =
      std::string(MOORSTEP_SCREENSHOT_DIR) + "/error-dialog-" + GetParam() + ".png";
  ASSERT_TRUE(xvfb.screenshot(shot));
  EXPECT_GT(readableLinkPixels(shot, *window), 30) << "the link stands out in " << GetParam();
  // OK sits in the bottom right corner, inside the window's 18-pixel margin.
  ASSERT_TRUE(xvfb.click(window->x + window->width - 50, window->y + window->height - 35));
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const testsupport::RunResult result = run.get();
  EXPECT_EQ(result.exitCode, 11);
  EXPECT_EQ(result.log.back().text, "Bootstrapper end with exit code 11");
}

INSTANTIATE_TEST_SUITE_P(Themes, ErrorDialogGui, ::testing::Values("Adwaita", "Adwaita:dark"),
                         [](const auto& info) {
                           return std::string(info.index == 0 ? "Light" : "Dark");
                         });

// Without a pointer: a screen reader finds the link as a link; Tab reaches it and Enter opens it
// in the user's browser; Escape, or Enter on OK, ends the run like OK.
TEST_F(ErrorDialogGui, TheKeyboardFollowsTheLinkAndEscapeOrEnterIsOk) {
  const std::string opened = box.root() + "/opened";
  box.dir().write("home/.local/share/applications/browser.desktop",
                  "[Desktop Entry]\nType=Application\nName=Browser\n"
                  "Exec=/bin/sh -c 'echo \"$1\" > " +
                      opened +
                      "' sh %u\n"
                      "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
  box.dir().write("home/.config/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/http=browser.desktop\n"
                  "x-scheme-handler/https=browser.desktop\n");
  for (const std::string key : {"Escape", "Return"}) {
    auto run = std::async(std::launch::async, [&] { return box.run(exe, {}); });
    ASSERT_TRUE(xvfb.waitForWindow("Install Sample", 20)) << "the dialog did not appear";
    if (key == "Escape") {
      if (const auto tree = xvfb.accessibles("Install Sample")) {
        EXPECT_NE(tree->find("link\tsystem requirements\t"), std::string::npos) << *tree;
      }
      ASSERT_TRUE(xvfb.keys("Install Sample", {"Tab", "Return"}));
      for (int tries = 0; tries < 100 && !std::filesystem::exists(opened); ++tries) {
        g_usleep(100000);
      }
      std::ifstream address(opened);
      std::stringstream text;
      text << address.rdbuf();
      EXPECT_EQ(text.str().rfind("http", 0), 0u) << "the browser was given " << text.str();
      EXPECT_EQ(run.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout)
          << "opening the link does not end the dialog";
      ASSERT_TRUE(xvfb.keys("Install Sample", {"Tab", key}));
    } else {
      ASSERT_TRUE(xvfb.keys("Install Sample", {key}));
    }
    ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready) << key;
    EXPECT_EQ(run.get().exitCode, 11) << key;
  }
}

}  // namespace
