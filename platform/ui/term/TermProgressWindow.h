#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/ui/ProgressWindow.h"

namespace platform::ui {

// A one-line progress bar on standard error when it is a terminal (nothing otherwise). Its
// Cancel is Ctrl-C, which the application's termination policy turns into the Cancel action.
class TermProgressWindow : public ProgressWindow {
 public:
  explicit TermProgressWindow(FILE* out = stderr);
  ~TermProgressWindow() override;

  void setTitle(const std::string& title) override { title_ = title; }
  void setText(const std::string& text) override;
  void setCancelTitle(const std::string&) override {}
  // A terminal has no button: Ctrl-C reaches the application as a signal.
  void setCancelAction(std::function<void()>) override {}
  void setCancelEnabled(bool) override {}
  void setProgress(double percent) override;
  void makeKeyAndOrderFront() override;
  void close() override;

  // The line as it is drawn for a percentage (a full bar above 100).
  static std::string renderLine(const std::string& title, const std::string& text, double percent);

 private:
  void draw();

  FILE* out_;
  bool terminal_;
  bool shown_ = false;
  std::string title_, text_;
  double percent_ = 0.0;
  int drawnPercent_ = -1;
};

}  // namespace platform::ui
