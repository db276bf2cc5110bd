#include "RunningClock.h"

#include <algorithm>

#include "RunLoop.h"

namespace platform {

RunningClock::RunningClock(std::chrono::milliseconds beat)
    : beat_(std::max<gint64>(beat.count(), 1) * 1000), lastSeen_(g_get_monotonic_time()) {
  GMainContext* context = RunLoop::main().context();
  GSource* source = g_timeout_source_new(static_cast<guint>(beat_ / 1000));
  g_source_set_callback(source, &RunningClock::onBeat, this, nullptr);
  heartbeat_ = SourceId(context, g_source_attach(source, context));
  g_source_unref(source);
}

gint64 RunningClock::now() {
  const gint64 time = g_get_monotonic_time();
  // A loaded machine delays a beat a little; only a clear gap is taken for a pause.
  const gint64 gap = time - lastSeen_;
  if (gap > 2 * beat_) skipped_ += gap - beat_;
  lastSeen_ = time;
  return time - skipped_;
}

gboolean RunningClock::onBeat(gpointer self) {
  static_cast<RunningClock*>(self)->now();
  return G_SOURCE_CONTINUE;
}

}  // namespace platform
