#include "NotificationCenter.h"

#include <algorithm>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::addObserver(const void* observer, std::string name, const void* object,
                                     Handler handler) {
  registrations_.push_back({nextId_++, observer, std::move(name), object, std::move(handler)});
}

void NotificationCenter::removeObserver(const void* observer) {
  std::erase_if(registrations_,
                [observer](const Registration& r) { return r.observer == observer; });
}

void NotificationCenter::post(const Notification& notification) {
  // A handler may add or remove observers: work from the ids that matched when posting began
  // and skip those removed meanwhile.
  std::vector<std::uint64_t> matching;
  for (const Registration& r : registrations_) {
    if (r.name == notification.name && (!r.object || r.object == notification.object)) {
      matching.push_back(r.id);
    }
  }
  for (std::uint64_t id : matching) {
    auto it = std::find_if(registrations_.begin(), registrations_.end(),
                           [id](const Registration& r) { return r.id == id; });
    if (it == registrations_.end()) continue;
    Handler handler = it->handler;
    handler(notification);
  }
}

}  // namespace platform
