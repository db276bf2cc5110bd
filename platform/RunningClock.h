#pragma once

#include <glib.h>

#include <chrono>

#include "Handles.h"

namespace platform {

// Time in which the process ran: the monotonic clock less the gaps in which it did not (a
// stopped process, a loop held up). A heartbeat on the loop shows that the process runs; a gap
// between two sightings much longer than the beat is time it did not run.
class RunningClock {
 public:
  explicit RunningClock(std::chrono::milliseconds beat);
  RunningClock(const RunningClock&) = delete;
  RunningClock& operator=(const RunningClock&) = delete;

  // Microseconds of running time.
  gint64 now();

 private:
  static gboolean onBeat(gpointer self);

  gint64 beat_;
  gint64 lastSeen_;
  gint64 skipped_ = 0;
  SourceId heartbeat_;
};

}  // namespace platform
