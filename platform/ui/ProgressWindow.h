#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::ui {

// A small window with a text, a progress bar and a Cancel button.
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void setTitle(const std::string& title) = 0;
  virtual void setText(const std::string& text) = 0;
  virtual void setCancelTitle(const std::string& title) = 0;
  virtual void setCancelAction(std::function<void()> action) = 0;
  virtual void setCancelEnabled(bool enabled) = 0;
  // Percent of 0 to 100; more than 100 shows a full bar.
  virtual void setProgress(double percent) = 0;
  // Bytes received of the current transfer and its declared length (not above 0 when unknown),
  // for the detail under the bar; 0 received begins a transfer.
  virtual void setTransferred(std::int64_t received, std::int64_t expected) = 0;
  virtual void makeKeyAndOrderFront() = 0;
  virtual void close() = 0;
};

}  // namespace platform::ui
