#include "NotificationQueue.h"

#include <algorithm>

#include "RunLoop.h"

namespace platform {

NotificationQueue::NotificationQueue(NotificationCenter& center, GMainContext* context)
    : center_(center), context_(context) {}

NotificationQueue& NotificationQueue::defaultQueue() {
  static NotificationQueue queue(NotificationCenter::defaultCenter(), RunLoop::main().context());
  return queue;
}

void NotificationQueue::enqueueWhenIdle(Notification notification) {
  bool coalesced = std::any_of(pending_.begin(), pending_.end(), [&](const Notification& n) {
    return n.name == notification.name && n.object == notification.object;
  });
  if (coalesced) return;
  pending_.push_back(std::move(notification));
  if (idle_) return;
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT_IDLE);
  g_source_set_callback(source, &NotificationQueue::postNext, this, nullptr);
  idle_ = SourceId(context_, g_source_attach(source, context_));
  g_source_unref(source);
}

gboolean NotificationQueue::postNext(gpointer self) {
  auto* queue = static_cast<NotificationQueue*>(self);
  Notification next = std::move(queue->pending_.front());
  queue->pending_.pop_front();
  queue->center_.post(next);
  if (!queue->pending_.empty()) return G_SOURCE_CONTINUE;
  queue->idle_.release();
  return G_SOURCE_REMOVE;
}

}  // namespace platform
