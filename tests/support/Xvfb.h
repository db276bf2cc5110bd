#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AnnouncingProcess.h"
#include "SessionBus.h"

namespace testsupport {

// A virtual X display of the test's own, with a session bus of its own; DISPLAY and
// DBUS_SESSION_BUS_ADDRESS point at them while the object lives.
class Xvfb {
 public:
  Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  const std::string& display() const { return display_; }
  const std::string& busAddress() const { return bus_.address(); }
  // Saves the whole screen as a PNG file; true on success.
  bool screenshot(const std::string& pngPath) const;
  // A real pointer click at screen coordinates (through the XTEST extension).
  bool click(int x, int y) const;
  // Real key presses (xdotool names: "Escape", "Tab", "Return") into the visible window with
  // that title, which first gets the input focus.
  bool keys(const std::string& title, const std::vector<std::string>& names) const;
  // What a screen reader sees of that application through the session bus: one line per
  // accessible, "role<TAB>name<TAB>value"; nothing on a machine without the accessibility
  // stack.
  std::optional<std::string> accessibles(const std::string& application) const;
  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
  };
  // Waits (up to timeoutSeconds) for a visible window with that title and gives its place.
  std::optional<Geometry> waitForWindow(const std::string& title, int timeoutSeconds) const;

 private:
  SessionBus bus_;
  AnnouncingProcess server_;
  std::string display_;
  ScopedEnv env_;
};

}  // namespace testsupport
