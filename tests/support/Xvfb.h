#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace testsupport {

// A virtual X display of the test's own; DISPLAY points at it while the object lives.
class Xvfb {
 public:
  Xvfb();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  const std::string& display() const { return display_; }
  // Saves the whole screen as a PNG file; true on success.
  bool screenshot(const std::string& pngPath) const;
  // A real pointer click at screen coordinates (through the XTEST extension).
  bool click(int x, int y) const;
  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
  };
  // Waits (up to timeoutSeconds) for a visible window with that title and gives its place.
  std::optional<Geometry> waitForWindow(const std::string& title, int timeoutSeconds) const;

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string previous_;
  bool hadPrevious_ = false;
};

}  // namespace testsupport
