#pragma once

#include <glib.h>

#include <cstddef>
#include <deque>

#include "Handles.h"
#include "Notification.h"
#include "NotificationCenter.h"

namespace platform {

// Notifications posted when the loop is idle, never inside the call that queued them.
class NotificationQueue {
 public:
  NotificationQueue(NotificationCenter& center, GMainContext* context);
  NotificationQueue(const NotificationQueue&) = delete;
  NotificationQueue& operator=(const NotificationQueue&) = delete;

  static NotificationQueue& defaultQueue();

  // Posts at default idle priority. A notification whose name and sender equal those of one
  // still waiting is coalesced into it (dropped).
  void enqueueWhenIdle(Notification notification);
  std::size_t pendingCount() const { return pending_.size(); }

 private:
  static gboolean postNext(gpointer self);

  NotificationCenter& center_;
  GMainContext* context_;
  std::deque<Notification> pending_;
  SourceId idle_;
};

}  // namespace platform
