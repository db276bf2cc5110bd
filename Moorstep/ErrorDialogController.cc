#include "Moorstep/ErrorDialogController.h"

#include "platform/ui/UserInterface.h"

namespace moorstep {
namespace {
constexpr std::string_view kOpen = "<a href='";
constexpr std::string_view kMiddle = "'>";
constexpr std::string_view kClose = "</a>";
}  // namespace

platform::ui::AttributedText parseLinkMarkup(const std::string& message) {
  platform::ui::AttributedText text;
  auto plain = [&](std::size_t from, std::size_t to) {
    if (to > from) text.push_back({message.substr(from, to - from), std::nullopt});
  };
  std::size_t position = 0;
  while (position < message.size()) {
    const std::size_t open = message.find(kOpen, position);
    const std::size_t middle =
        open == std::string::npos ? open : message.find(kMiddle, open + kOpen.size());
    const std::size_t close =
        middle == std::string::npos ? middle : message.find(kClose, middle + kMiddle.size());
    if (close == std::string::npos) {
      plain(position, message.size());
      break;
    }
    plain(position, open);
    const std::size_t addressStart = open + kOpen.size();
    const std::size_t labelStart = middle + kMiddle.size();
    text.push_back({message.substr(labelStart, close - labelStart),
                    message.substr(addressStart, middle - addressStart)});
    position = close + kClose.size();
  }
  return text;
}

ErrorDialogController::ErrorDialogController(std::string windowNibName)
    : windowNibName_(std::move(windowNibName)) {}

platform::ui::ErrorDialogWindow& ErrorDialogController::window() {
  if (!window_) {
    window_ = platform::ui::defaultUserInterface().makeErrorDialogWindow();
    window_->setOkAction([this] { OK(); });
  }
  return *window_;
}

void ErrorDialogController::setMessage(const std::string& message,
                                       const std::string& localizedOKText,
                                       const std::string& appName) {
  window().setOkTitle(localizedOKText);
  window().setTitle(appName);
  window().setText(parseLinkMarkup(message));
}

void ErrorDialogController::OK() { window().stopModal(); }

void ErrorDialogController::runModal() { window().runModal(); }

}  // namespace moorstep
