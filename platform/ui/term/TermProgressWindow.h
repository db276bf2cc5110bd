#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/Handles.h"
#include "platform/ui/ProgressWindow.h"

namespace platform::ui {

// A one-line progress bar on standard error when it is a terminal (nothing otherwise). While it
// is shown, Ctrl-C is the Cancel button.
class TermProgressWindow : public ProgressWindow {
 public:
  explicit TermProgressWindow(FILE* out = stderr);
  ~TermProgressWindow() override;

  void setTitle(const std::string& title) override { title_ = title; }
  void setText(const std::string& text) override;
  void setCancelTitle(const std::string&) override {}
  void setCancelAction(std::function<void()> action) override { cancel_ = std::move(action); }
  void setCancelEnabled(bool enabled) override { cancelEnabled_ = enabled; }
  void setProgress(double percent) override;
  void makeKeyAndOrderFront() override;
  void close() override;

  // The line as it is drawn for a percentage (a full bar above 100).
  static std::string renderLine(const std::string& title, const std::string& text, double percent);

 private:
  static gboolean onInterrupt(gpointer self);
  void draw();

  FILE* out_;
  bool terminal_;
  bool shown_ = false;
  std::string title_, text_;
  std::function<void()> cancel_;
  bool cancelEnabled_ = false;
  double percent_ = 0.0;
  int drawnPercent_ = -1;
  SourceId interrupt_;
};

}  // namespace platform::ui
