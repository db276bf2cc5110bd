#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Handles.h"

namespace platform {

// The desktop's proxy for one URL, asked of GIO's proxy resolver without blocking the loop: GNOME's
// settings through glib-networking, and through libproxy the proxy variables. Programs started
// from a desktop get no proxy variables, so these settings are the only way to the network there.
class ProxyLookup {
 public:
  // The proxy URL for libcurl, or nothing: no proxy chosen, which leaves libcurl's own handling of
  // the proxy variables in place.
  using Done = std::function<void(std::optional<std::string> proxy)>;

  // nullptr when GIO has no resolver beyond its dummy (no glib-networking): libcurl then handles
  // the variables on its own, as it always has. Otherwise done is called once, from the loop.
  static std::unique_ptr<ProxyLookup> start(const std::string& url, Done done);
  // Cancels a lookup still running; done is never called after.
  ~ProxyLookup();
  ProxyLookup(const ProxyLookup&) = delete;
  ProxyLookup& operator=(const ProxyLookup&) = delete;

  // The first proxy of the resolver's answer that libcurl can use, in the answer's order, as
  // libcurl spells it; nothing when that first usable entry is direct:// or none is usable.
  static std::optional<std::string> curlProxyFor(const std::vector<std::string>& proxies);

 private:
  struct Pending;
  explicit ProxyLookup(Done done);
  static void onAnswer(GObject* source, GAsyncResult* result, gpointer pending);

  Done done_;
  std::unique_ptr<GCancellable, FreeWith<g_object_unref>> cancellable_;
  Pending* pending_ = nullptr;
};

}  // namespace platform
