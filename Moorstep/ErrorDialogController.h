#pragma once

#include <memory>
#include <string>

#include "platform/ui/AttributedText.h"
#include "platform/ui/ErrorDialogWindow.h"

namespace moorstep {

// Controls the "ErrorDialog" window: a message whose link markup becomes real links, and OK.
class ErrorDialogController {
 public:
  explicit ErrorDialogController(std::string windowNibName);

  // Loads the window description on first use.
  platform::ui::ErrorDialogWindow& window();
  void setMessage(const std::string& message, const std::string& localizedOKText,
                  const std::string& appName);
  // The OK button's action: ends the modal run.
  void OK();
  // Shows the window and returns when OK has been pressed.
  void runModal();

 private:
  std::string windowNibName_;
  std::unique_ptr<platform::ui::ErrorDialogWindow> window_;
};

// The markup "<a href='ADDRESS'>LABEL</a>" found in the message's bytes becomes a link run; the
// rest is plain. From the first incomplete link on, the text is plain, markers included.
platform::ui::AttributedText parseLinkMarkup(const std::string& message);

}  // namespace moorstep
