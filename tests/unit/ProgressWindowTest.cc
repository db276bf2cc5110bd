#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "RecordingProgressWindow.h"
#include "RecordingUserInterface.h"
#include "ScopedEnv.h"
#include "platform/ui/TransferDetail.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/term/TermProgressWindow.h"

namespace {
using platform::ui::TermProgressWindow;
using platform::ui::TransferDetail;

TEST(TermProgressWindow, DrawsAOneLineBarAndAFullBarAbove100) {
  EXPECT_EQ(TermProgressWindow::renderLine("Installing Sample", "Please wait.", 50.003),
            "Installing Sample [###############---------------] 50%  Please wait.");
  EXPECT_EQ(TermProgressWindow::renderLine("", "", 200.0), "[##############################] 100%");
  EXPECT_EQ(TermProgressWindow::renderLine("", "", -3.0), "[------------------------------] 0%");
}

// Narrower terminals: the bar narrows (to a third of its width), then the title, the text and
// the detail go in turn; the line always stays short of the last column. Wide characters
// count twice.
TEST(TermProgressWindow, FitsTheLineToTheTerminalsWidth) {
  const std::string title = "Installing Sample", wait = "Please wait.";
  const std::string detail = "12.3 / 80.0 MB \u00b7 2.1 MB/s \u00b7 0:33";
  const std::string japanese = "\u30b5\u30f3\u30d7\u30eb\u3092\u30a4\u30f3\u30b9\u30c8";
  const struct {
    std::string title, detail;
    int columns;
    std::string line;
  } rows[] = {
      {title, detail, 120,
       title + " [#######-----------------------] 25%  " + wait + "  " + detail},
      {title, detail, 100, title + " [######---------------------] 25%  " + wait + "  " + detail},
      {title, detail, 70, "[###------------] 25%  " + wait + "  " + detail},
      {title, detail, 50, "[#######-----------------------] 25%"},
      {title, "", 8, "[-] 25%"},
      {title, "", 4, "[] "},
      {japanese, "", 70, japanese + " [#######-----------------------] 25%  " + wait},
      {japanese, "", 60, japanese + " [#####---------------] 25%  " + wait},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(TermProgressWindow::renderLine(row.title, wait, 25, row.detail, row.columns),
              row.line)
        << row.columns;
  }
}

// A terminal of the test's own, columns wide, in raw mode so that what is written arrives as is.
class Terminal {
 public:
  explicit Terminal(int columns) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = 24;
    openpty(&master_, &slave_, nullptr, nullptr, &size);
    termios mode{};
    tcgetattr(slave_, &mode);
    cfmakeraw(&mode);
    tcsetattr(slave_, TCSANOW, &mode);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    out_ = fdopen(slave_, "w");
  }
  ~Terminal() {
    std::fclose(out_);
    close(master_);
  }
  FILE* out() const { return out_; }
  void resize(int columns) const {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = 24;
    ioctl(master_, TIOCSWINSZ, &size);
  }
  // What was written since the last call.
  std::string read() {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    return text;
  }

 private:
  int master_ = -1, slave_ = -1;
  FILE* out_ = nullptr;
};

// Every line drawn over the last one stays within the terminal's width, also after it shrinks;
// a terminal without cursor control gets plain lines, one per tenth.
TEST(TermProgressWindow, NeverWrapsAndWritesPlainLinesOnADumbTerminal) {
  testsupport::ScopedEnv env({"TERM"});
  for (const char* term : {"xterm", "dumb"}) {
    env.set("TERM", term);
    Terminal terminal(40);
    std::string written;
    {
      TermProgressWindow window(terminal.out());
      window.setTitle("Installing Sample");
      window.setText("Please wait.");
      window.makeKeyAndOrderFront();
      for (int step = 0; step <= 400; ++step) {
        if (step == 200) {
          terminal.resize(30);
          raise(SIGWINCH);
          // The signal reaches the loop through GLib's worker thread: wait for the redraw.
          for (int tries = 0; tries < 200 && std::string(term) == "xterm"; ++tries) {
            g_main_context_iteration(nullptr, FALSE);
            const std::string redrawn = terminal.read();
            written += redrawn;
            if (!redrawn.empty()) break;
            g_usleep(10000);
          }
        }
        window.setProgress(step / 4.0);
        window.setTransferred(step * 1000, 400000);
        written += terminal.read();
      }
    }
    written += terminal.read();
    if (std::string(term) == "dumb") {
      EXPECT_EQ(written.find('\033'), std::string::npos);
      EXPECT_EQ(written.find('\r'), std::string::npos);
      EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 11);
      continue;
    }
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; (next = written.find("\r\033[K", at)) != std::string::npos;
         at = next + 4) {
      lines.push_back(written.substr(at, next - at));
    }
    ASSERT_GT(lines.size(), 50u);
    for (const std::string& line : lines) {
      EXPECT_LT(line.size(), 40u) << line;
      EXPECT_EQ(line.find('\n'), std::string::npos);
    }
    EXPECT_EQ(lines.back(), "[######################] 100%") << "fits the narrower terminal";
  }
}

// The detail shows the bytes at once and the speed and time left after a few seconds, changes
// at most four times a second, and starts again with each transfer.
TEST(TransferDetail, ShowsBytesThenSpeedAndTimeLeftAFewTimesASecond) {
  EXPECT_EQ(TransferDetail::format(12'345'678, 80'000'000, 2'100'000),
            "12.3 / 80.0 MB \u00b7 2.1 MB/s \u00b7 0:32");
  EXPECT_EQ(TransferDetail::format(512, 2048, std::nullopt), "0.5 / 2.0 kB");
  EXPECT_EQ(TransferDetail::format(512, 0, std::nullopt), "512 B");
  EXPECT_EQ(TransferDetail::format(1'500'000, -1, 30'000), "1.5 MB \u00b7 30.0 kB/s");
  EXPECT_EQ(TransferDetail::format(9'000, 8'000, 1'000), "9.0 / 8.0 kB \u00b7 1.0 kB/s");
  EXPECT_EQ(TransferDetail::format(0, 5'000'000'000, 1'000'000),
            "0.0 / 5.0 GB \u00b7 1.0 MB/s \u00b7 1:23:20");

  TransferDetail detail;
  const auto start = TransferDetail::Clock::now();
  using std::chrono::milliseconds;
  EXPECT_TRUE(detail.update(1'000'000, 10'000'000, start));
  EXPECT_EQ(detail.text(), "1.0 / 10.0 MB");
  EXPECT_FALSE(detail.update(1'100'000, 10'000'000, start + milliseconds(100)));
  EXPECT_TRUE(detail.update(1'200'000, 10'000'000, start + milliseconds(300)));
  EXPECT_EQ(detail.text(), "1.2 / 10.0 MB");
  EXPECT_TRUE(detail.update(4'000'000, 10'000'000, start + milliseconds(3000)));
  EXPECT_EQ(detail.text(), "4.0 / 10.0 MB \u00b7 1.0 MB/s \u00b7 0:06");
  EXPECT_TRUE(detail.update(10'000'000, 10'000'000, start + milliseconds(3100)))
      << "the end is shown at once";
  EXPECT_TRUE(detail.update(0, 10'000'000, start + milliseconds(3200)));
  EXPECT_EQ(detail.text(), "");
}

class RecordingUserInterface : public testsupport::RecordingUserInterface {
 public:
  std::unique_ptr<platform::ui::ProgressWindow> makeProgressWindow() override {
    auto window = std::make_unique<testsupport::RecordingProgressWindow>();
    made = window.get();
    return window;
  }
  testsupport::RecordingProgressWindow* made = nullptr;
};

TEST(LazyProgressWindow, MakesTheRealWindowOnlyWhenFirstShownAndHandsItEverything) {
  RecordingUserInterface ui;
  platform::ui::setUserInterfaceForTesting(&ui);
  platform::ui::LazyProgressWindow lazy;
  bool cancelled = false;
  lazy.setTitle("Installing Sample");
  lazy.setText("Bitte warten.");
  lazy.setCancelTitle("Abbrechen");
  lazy.setCancelAction([&] { cancelled = true; });
  lazy.setCancelEnabled(true);
  lazy.setProgress(42);
  lazy.close();
  EXPECT_EQ(ui.made, nullptr) << "closing a window never shown makes none";
  lazy.makeKeyAndOrderFront();
  ASSERT_NE(ui.made, nullptr);
  EXPECT_EQ(ui.made->title_, "Installing Sample");
  EXPECT_EQ(ui.made->text_, "Bitte warten.");
  EXPECT_EQ(ui.made->cancelTitle_, "Abbrechen");
  EXPECT_TRUE(ui.made->cancelEnabled_);
  EXPECT_EQ(ui.made->progress_.back(), 42);
  lazy.setProgress(60);
  EXPECT_EQ(ui.made->progress_.back(), 60);
  ui.made->clickCancel();
  EXPECT_TRUE(cancelled);
  platform::ui::setUserInterfaceForTesting(nullptr);
}

}  // namespace
