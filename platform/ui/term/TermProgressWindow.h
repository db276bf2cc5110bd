#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/ui/ProgressWindow.h"
#include "platform/ui/TransferDetail.h"

namespace platform::ui {

// A one-line progress bar on standard error when it is a terminal (nothing otherwise), as wide
// as the terminal allows and drawn again when the terminal is resized. On a terminal without
// cursor control (TERM=dumb) it prints a plain line at each tenth instead. Its Cancel is Ctrl-C,
// which the application's termination policy turns into the Cancel action.
class TermProgressWindow : public ProgressWindow {
 public:
  explicit TermProgressWindow(FILE* out = stderr);
  ~TermProgressWindow() override;
  TermProgressWindow(const TermProgressWindow&) = delete;
  TermProgressWindow& operator=(const TermProgressWindow&) = delete;

  void setTitle(const std::string& title) override { title_ = title; }
  void setText(const std::string& text) override;
  void setCancelTitle(const std::string&) override {}
  // A terminal has no button: Ctrl-C reaches the application as a signal.
  void setCancelAction(std::function<void()>) override {}
  void setCancelEnabled(bool) override {}
  void setProgress(double percent) override;
  void setTransferred(std::int64_t received, std::int64_t expected) override;
  void makeKeyAndOrderFront() override;
  void close() override;

  // The line as it is drawn for a percentage (a full bar above 100), narrower than columns: a
  // line that reached the last column would wrap on some terminals. Where it does not fit, the
  // bar narrows (to a third of its width), then the title, the text and the detail go in turn.
  static std::string renderLine(const std::string& title, const std::string& text, double percent,
                                const std::string& detail = "", int columns = 80);

 private:
  static int onResize(void* self);
  int columns() const;
  void draw();

  FILE* out_;
  bool terminal_;
  bool dumb_;
  bool shown_ = false;
  unsigned resizeWatch_ = 0;
  int columns_ = 80;
  std::string title_, text_;
  double percent_ = 0.0;
  TransferDetail detail_;
  std::string drawn_;
  int printedTenth_ = -1;
};

}  // namespace platform::ui
