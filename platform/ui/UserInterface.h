#pragma once

#include <memory>

#include "ErrorDialogWindow.h"
#include "ProgressWindow.h"

namespace platform::ui {

// Every window the program shows comes from here: GTK when a display can be reached, else the
// terminal. Nothing is decided, and GTK is not started, before the first window is needed.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual std::unique_ptr<ProgressWindow> makeProgressWindow() = 0;
  virtual std::unique_ptr<ErrorDialogWindow> makeErrorDialogWindow() = 0;
  // The standard alert: a title, a message and one button; returns when it is dismissed.
  virtual void runAlert(const std::string& title, const std::string& message,
                        const std::string& buttonTitle) = 0;
};

UserInterface& defaultUserInterface();
// Tests put a recording implementation in place (nullptr restores the default choice).
void setUserInterfaceForTesting(UserInterface* ui);

// A progress window that exists from the start but makes its real window on first showing, so
// that a run that never shows it never starts a window system.
class LazyProgressWindow : public ProgressWindow {
 public:
  void setTitle(const std::string& title) override;
  void setText(const std::string& text) override;
  void setCancelTitle(const std::string& title) override;
  void setCancelAction(std::function<void()> action) override;
  void setCancelEnabled(bool enabled) override;
  void setProgress(double percent) override;
  void setTransferred(std::int64_t received, std::int64_t expected) override;
  void makeKeyAndOrderFront() override;
  void close() override;

 private:
  std::unique_ptr<ProgressWindow> window_;
  std::string title_, text_, cancelTitle_;
  std::function<void()> cancelAction_;
  bool cancelEnabled_ = false;
  double progress_ = 0.0;
  std::int64_t received_ = 0, expected_ = 0;
};

}  // namespace platform::ui
