#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RecordingProgressWindow.h"
#include "RecordingUserInterface.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/term/TermProgressWindow.h"

namespace {
using platform::ui::TermProgressWindow;

TEST(TermProgressWindow, DrawsAOneLineBarAndAFullBarAbove100) {
  EXPECT_EQ(TermProgressWindow::renderLine("Installing Sample", "Please wait.", 50.003),
            "Installing Sample [###############---------------] 50%  Please wait.");
  EXPECT_EQ(TermProgressWindow::renderLine("", "", 200.0), "[##############################] 100%");
  EXPECT_EQ(TermProgressWindow::renderLine("", "", -3.0), "[------------------------------] 0%");
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
