#pragma once

#include "platform/ui/UserInterface.h"

namespace platform::ui {

// The windows as text on standard error, for runs without a display.
class TermUserInterface : public UserInterface {
 public:
  std::unique_ptr<ProgressWindow> makeProgressWindow() override;
  std::unique_ptr<ErrorDialogWindow> makeErrorDialogWindow() override;
  void runAlert(const std::string& title, const std::string& message,
                const std::string& buttonTitle) override;
};

}  // namespace platform::ui
