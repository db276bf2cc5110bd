#pragma once

#include <glib.h>

#include <chrono>
#include <cstdint>
#include <deque>

namespace platform {

// The bytes that arrived within the last window of time, for a floor that every window must
// reach: kept in a bounded number of buckets, so the window slides in steps of a sixtieth.
class RateWindow {
 public:
  // Times are microseconds of one clock; the first window starts at start.
  RateWindow(std::chrono::milliseconds window, std::uint64_t minimum, gint64 start);

  void add(gint64 now, std::uint64_t bytes);
  // When a window will end with fewer than the minimum if nothing more arrives.
  gint64 deadline() const;

 private:
  struct Bucket {
    gint64 first;
    gint64 last;
    std::uint64_t bytes;
  };
  static constexpr gint64 kBucketsPerWindow = 60;

  gint64 window_;
  std::uint64_t minimum_;
  gint64 start_;
  std::deque<Bucket> buckets_;
};

}  // namespace platform
