#include "TermUserInterface.h"

#include "TermProgressWindow.h"

namespace platform::ui {

std::unique_ptr<ProgressWindow> TermUserInterface::makeProgressWindow() {
  return std::make_unique<TermProgressWindow>();
}

}  // namespace platform::ui
