#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Notification.h"

namespace platform {

// Observers by name, optionally restricted to one sender. Posting calls the matching
// observers at once, in registration order.
class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  static NotificationCenter& defaultCenter();

  // object == nullptr observes every sender.
  void addObserver(const void* observer, std::string name, const void* object, Handler handler);
  // Removes every registration of observer.
  void removeObserver(const void* observer);
  void post(const Notification& notification);

 private:
  struct Registration {
    std::uint64_t id;
    const void* observer;
    std::string name;
    const void* object;
    Handler handler;
  };

  std::vector<Registration> registrations_;
  std::uint64_t nextId_ = 1;
};

}  // namespace platform
