#pragma once

#include <functional>
#include <string>

#include "AttributedText.h"

namespace platform::ui {

// A modal window with a text that may hold links and one OK button.
class ErrorDialogWindow {
 public:
  virtual ~ErrorDialogWindow() = default;
  virtual void setTitle(const std::string& title) = 0;
  virtual void setOkTitle(const std::string& title) = 0;
  virtual void setText(const AttributedText& text) = 0;
  virtual void setOkAction(std::function<void()> action) = 0;
  // Shows the window and returns when stopModal() has been called (by the OK action).
  virtual void runModal() = 0;
  virtual void stopModal() = 0;
};

}  // namespace platform::ui
