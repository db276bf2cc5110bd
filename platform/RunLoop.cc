#include "RunLoop.h"

#include "Handles.h"

namespace platform {

RunLoop& RunLoop::main() {
  static RunLoop loop(g_main_context_default());
  return loop;
}

void RunLoop::run() {
  GMainLoopPtr loop(g_main_loop_new(context_, FALSE));
  GMainLoop* outer = running_;
  running_ = loop.get();
  g_main_loop_run(loop.get());
  running_ = outer;
}

void RunLoop::quit() {
  if (running_) g_main_loop_quit(running_);
}

void RunLoop::runUntil(const std::function<bool()>& done) {
  while (!done()) g_main_context_iteration(context_, TRUE);
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  bool expired = false;
  GSourcePtr timer(g_timeout_source_new(static_cast<guint>(timeout.count())));
  g_source_set_callback(
      timer.get(),
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &expired, nullptr);
  g_source_attach(timer.get(), context_);
  while (!done() && !expired) g_main_context_iteration(context_, TRUE);
  g_source_destroy(timer.get());
  return done();
}

}  // namespace platform
