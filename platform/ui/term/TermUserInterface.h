#pragma once

#include "platform/ui/UserInterface.h"

namespace platform::ui {

// The windows as text on standard error, for runs without a display.
class TermUserInterface : public UserInterface {
 public:
  std::unique_ptr<ProgressWindow> makeProgressWindow() override;
};

}  // namespace platform::ui
