#pragma once

#include <glib.h>

#include <chrono>
#include <functional>

namespace platform {

// The process's event loop: GLib's default main context. Everything of the bootstrapper runs
// from it; nothing here polls.
class RunLoop {
 public:
  static RunLoop& main();

  GMainContext* context() const { return context_; }

  // Runs until quit() is called.
  void run();
  void quit();

  // Runs until done() holds or the timeout passes; returns done(). For tests and modal waits.
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Runs until done() holds: a wait during which every source, signals included, is served.
  void runUntil(const std::function<bool()>& done);

 private:
  explicit RunLoop(GMainContext* context) : context_(context) {}

  GMainContext* context_;
  GMainLoop* running_ = nullptr;
};

}  // namespace platform
