#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "HttpServer.h"
#include "Moorstep/Downloader.h"
#include "ScopedEnv.h"
#include "SyslogCapture.h"
#include "TempDir.h"
#include "Xvfb.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"
#include "platform/ui/gtk/GtkProgressWindow.h"
#include "platform/ui/gtk/GtkUserInterface.h"

namespace {
using namespace std::chrono_literals;

// How many different colours the screenshot has inside a rectangle: a drawn window has many,
// an empty screen one.
std::size_t coloursIn(const std::string& png, int x, int y, int width, int height) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
  if (!pixbuf) return 0;
  std::set<std::uint32_t> colours;
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  for (int row = std::max(0, y); row < std::min(y + height, gdk_pixbuf_get_height(pixbuf)); ++row) {
    for (int col = std::max(0, x); col < std::min(x + width, gdk_pixbuf_get_width(pixbuf)); ++col) {
      const guchar* p = pixels + row * stride + col * channels;
      colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    }
  }
  g_object_unref(pixbuf);
  return colours.size();
}

TEST(ProgressWindowGui, ShowsTheProgressAndARealClickOnCancelEndsTheList) {
  testsupport::Xvfb xvfb;
  ASSERT_TRUE(platform::ui::GtkUserInterface::displayAvailable());
  testsupport::TempDir tmp, logs, served;
  testsupport::ScopedEnv env({"TMPDIR", "MOORSTEP_SYSLOG_CAPTURE"});
  env.set("TMPDIR", tmp.path());
  env.set("MOORSTEP_SYSLOG_CAPTURE", logs.path() + "/syslog");
  testsupport::HttpServer server(served.path());

  platform::ui::GtkProgressWindow window;
  window.setTitle("Installing Sample");
  moorstep::Downloader downloader;
  downloader.setProgressWindow(&window);
  downloader.setLocalizedPleaseWait("Please wait.");
  downloader.setLocalizedCancel("Cancel");
  bool done = false, success = true;
  int observer = 0;
  platform::NotificationCenter::defaultCenter().addObserver(
      &observer, "InstallerDownloadDone", nullptr, [&](const platform::Notification& n) {
        done = true;
        success = n.boolValue("DownloaderKeySuccess");
      });
  downloader.setUrlStrings({server.url("/slow?bytes=400000&chunks=200&interval=50")});
  downloader.startDownload("InstallerDownloadDone");
  ASSERT_TRUE(platform::RunLoop::main().runUntil(
      [&] { return downloader.currentProgressPercent() > 25; }, 20s));
  platform::RunLoop::main().runUntil([] { return false; }, 300ms);

  std::filesystem::create_directories(MOORSTEP_SCREENSHOT_DIR);
  const std::string shot = std::string(MOORSTEP_SCREENSHOT_DIR) + "/progress-window.png";
  ASSERT_TRUE(xvfb.screenshot(shot));
  GtkWidget* button = window.cancelButtonWidget();
  GtkAllocation area;
  gtk_widget_get_allocation(button, &area);
  int originX = 0, originY = 0;
  gdk_window_get_origin(gtk_widget_get_window(button), &originX, &originY);
  EXPECT_GT(coloursIn(shot, originX, originY - 40, 380, 140), 8u) << "the window is drawn";
  EXPECT_TRUE(gtk_widget_get_sensitive(button));
  EXPECT_NE(std::string(gtk_label_get_text(window.detailLabel())).find(" / 400.0 kB"),
            std::string::npos)
      << gtk_label_get_text(window.detailLabel());

  ASSERT_TRUE(xvfb.click(originX + area.x + area.width / 2, originY + area.y + area.height / 2));
  ASSERT_TRUE(platform::RunLoop::main().runUntil([&] { return done; }, 10s));
  EXPECT_FALSE(success);
  EXPECT_EQ(testsupport::logTexts(testsupport::readLogRecords(logs.path() + "/syslog")).back(),
            "Download cancelled");
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(gtk_widget_get_toplevel(button))));
  downloader.cleanupTempFiles();
  platform::NotificationCenter::defaultCenter().removeObserver(&observer);
}

}  // namespace
