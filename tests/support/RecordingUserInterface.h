#pragma once

#include <memory>
#include <string>
#include <vector>

#include "RecordingProgressWindow.h"
#include "platform/ui/UserInterface.h"

namespace testsupport {

// Windows that record what they would show; a modal run returns at once, as after OK.
class RecordingUserInterface : public platform::ui::UserInterface {
 public:
  struct Shown {
    std::string kind, title, text, button;
    platform::ui::AttributedText runs;
  };

  class Dialog : public platform::ui::ErrorDialogWindow {
   public:
    explicit Dialog(std::vector<Shown>& shown) : shown_(shown) {}
    void setTitle(const std::string& title) override { current_.title = title; }
    void setOkTitle(const std::string& title) override { current_.button = title; }
    void setText(const platform::ui::AttributedText& text) override {
      current_.runs = text;
      current_.text.clear();
      for (const auto& run : text) current_.text += run.text;
    }
    void setOkAction(std::function<void()> action) override { ok_ = std::move(action); }
    void runModal() override {
      current_.kind = "dialog";
      shown_.push_back(current_);
      if (ok_) ok_();
    }
    void stopModal() override {}

   private:
    std::vector<Shown>& shown_;
    Shown current_;
    std::function<void()> ok_;
  };

  std::unique_ptr<platform::ui::ProgressWindow> makeProgressWindow() override {
    return std::make_unique<RecordingProgressWindow>();
  }
  std::unique_ptr<platform::ui::ErrorDialogWindow> makeErrorDialogWindow() override {
    return std::make_unique<Dialog>(shown);
  }
  void runAlert(const std::string& title, const std::string& message,
                const std::string& button) override {
    shown.push_back({"alert", title, message, button, {}});
  }

  std::vector<Shown> shown;
};

}  // namespace testsupport
