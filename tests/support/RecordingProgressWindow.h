#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ProgressWindow.h"

namespace testsupport {

// A progress window that only records what it was told, for tests.
class RecordingProgressWindow : public platform::ui::ProgressWindow {
 public:
  void setTitle(const std::string& title) override { title_ = title; }
  void setText(const std::string& text) override { text_ = text; }
  void setCancelTitle(const std::string& title) override { cancelTitle_ = title; }
  void setCancelAction(std::function<void()> action) override { cancel_ = std::move(action); }
  void setCancelEnabled(bool enabled) override { cancelEnabled_ = enabled; }
  void setProgress(double percent) override { progress_.push_back(percent); }
  void setTransferred(std::int64_t received, std::int64_t expected) override {
    transferred_.emplace_back(received, expected);
  }
  void makeKeyAndOrderFront() override {
    events_.push_back("front");
    shown_ = true;
  }
  void close() override {
    events_.push_back("close");
    shown_ = false;
  }

  void clickCancel() { cancel_(); }

  std::string title_, text_, cancelTitle_;
  bool cancelEnabled_ = false;
  bool shown_ = false;
  std::vector<double> progress_;
  std::vector<std::pair<std::int64_t, std::int64_t>> transferred_;
  std::vector<std::string> events_;
  std::function<void()> cancel_;
};

}  // namespace testsupport
