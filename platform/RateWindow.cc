#include "RateWindow.h"

#include <algorithm>

namespace platform {

RateWindow::RateWindow(std::chrono::milliseconds window, std::uint64_t minimum, gint64 start)
    : window_(std::max<gint64>(window.count(), 1) * 1000), minimum_(minimum), start_(start) {}

void RateWindow::add(gint64 now, std::uint64_t bytes) {
  while (!buckets_.empty() && buckets_.front().last <= now - window_) buckets_.pop_front();
  if (!buckets_.empty() && now - buckets_.back().first < window_ / kBucketsPerWindow) {
    buckets_.back().last = now;
    buckets_.back().bytes += bytes;
    return;
  }
  buckets_.push_back({now, now, bytes});
}

gint64 RateWindow::deadline() const {
  // The window holds enough for as long as it holds the newest buckets that add up to the
  // minimum; it fails when the oldest of them leaves it.
  if (minimum_ == 0) return G_MAXINT64;
  std::uint64_t bytes = 0;
  for (auto bucket = buckets_.rbegin(); bucket != buckets_.rend(); ++bucket) {
    bytes += bucket->bytes;
    if (bytes >= minimum_) return std::max(start_, bucket->last) + window_;
  }
  return start_ + window_;
}

}  // namespace platform
