#include "TermUserInterface.h"

#include <cstdio>

#include "TermErrorDialogWindow.h"
#include "TermProgressWindow.h"

namespace platform::ui {

std::unique_ptr<ProgressWindow> TermUserInterface::makeProgressWindow() {
  return std::make_unique<TermProgressWindow>();
}

std::unique_ptr<ErrorDialogWindow> TermUserInterface::makeErrorDialogWindow() {
  return std::make_unique<TermErrorDialogWindow>();
}

void TermUserInterface::runAlert(const std::string& title, const std::string& message,
                                 const std::string& buttonTitle) {
  std::fprintf(stderr, "%s\n%s\n", title.c_str(), message.c_str());
  std::fflush(stderr);
  waitForEnterIfInteractive(stderr, stdin, buttonTitle);
}

}  // namespace platform::ui
