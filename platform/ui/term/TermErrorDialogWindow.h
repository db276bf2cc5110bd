#pragma once

#include <cstdio>

#include "platform/ui/ErrorDialogWindow.h"

namespace platform::ui {

// The dialog as text on standard error: the title, then the text with each link written as
// "label <address>". It waits for Enter only when standard input and standard error are both
// terminals, so that scripts, pipelines and redirected runs are never stuck on it.
class TermErrorDialogWindow : public ErrorDialogWindow {
 public:
  explicit TermErrorDialogWindow(FILE* out = stderr, FILE* in = stdin) : out_(out), in_(in) {}

  void setTitle(const std::string& title) override { title_ = title; }
  void setOkTitle(const std::string& title) override { okTitle_ = title; }
  void setText(const AttributedText& text) override { text_ = text; }
  void setOkAction(std::function<void()> action) override { ok_ = std::move(action); }
  void runModal() override;
  void stopModal() override {}

  static std::string render(const std::string& title, const AttributedText& text);

 private:
  FILE* out_;
  FILE* in_;
  std::string title_, okTitle_;
  AttributedText text_;
  std::function<void()> ok_;
};

// When out and in are both terminals, shows the button's title as a prompt on out and waits for
// Enter on in. The wait runs the main loop, so signals act on it at once.
void waitForEnterIfInteractive(FILE* out, FILE* in, const std::string& buttonTitle);

}  // namespace platform::ui
