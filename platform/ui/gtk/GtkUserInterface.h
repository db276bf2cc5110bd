#pragma once

#include "platform/ui/UserInterface.h"

namespace platform::ui {

// The windows in GTK 3, built from descriptions compiled into the program.
class GtkUserInterface : public UserInterface {
 public:
  // Starts GTK on the first call and says whether a display could be opened.
  static bool displayAvailable();

  std::unique_ptr<ProgressWindow> makeProgressWindow() override;
  std::unique_ptr<ErrorDialogWindow> makeErrorDialogWindow() override;
  void runAlert(const std::string& title, const std::string& message,
                const std::string& buttonTitle) override;
};

}  // namespace platform::ui
