#include "ProxyLookup.h"

namespace platform {
namespace {

// glib-networking's GNOME resolver ends the process when it is instantiated without its settings
// schema (XDG_DATA_DIRS without the desktop's schemas), whatever the desktop: GIO's default
// resolver must not be asked for then.
bool gnomeResolverWouldAbort() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return true;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, "org.gnome.system.proxy", TRUE);
  if (!schema) return true;
  g_settings_schema_unref(schema);
  return false;
}

// The default resolver when it is a real one; nullptr for GIO's dummy, which answers direct://
// for everything and would hide the proxy variables from libcurl.
GProxyResolver* desktopResolver() {
  static GProxyResolver* const resolver = []() -> GProxyResolver* {
    if (gnomeResolverWouldAbort()) return nullptr;
    GProxyResolver* chosen = g_proxy_resolver_get_default();
    GIOExtensionPoint* point = g_io_extension_point_lookup(G_PROXY_RESOLVER_EXTENSION_POINT_NAME);
    GIOExtension* dummy =
        point ? g_io_extension_point_get_extension_by_name(point, "dummy") : nullptr;
    if (!chosen || (dummy && G_OBJECT_TYPE(chosen) == g_io_extension_get_type(dummy))) {
      return nullptr;
    }
    return chosen;
  }();
  return resolver;
}

bool curlHasHttpsProxy() {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  return info && (info->features & CURL_VERSION_HTTPS_PROXY);
}
}  // namespace

// Outlives its ProxyLookup when that is destroyed first: GIO always calls back, even after a
// cancel, and the callback frees it.
struct ProxyLookup::Pending {
  ProxyLookup* owner;
};

ProxyLookup::ProxyLookup(Done done) : done_(std::move(done)), cancellable_(g_cancellable_new()) {}

ProxyLookup::~ProxyLookup() {
  if (pending_) {
    pending_->owner = nullptr;
    g_cancellable_cancel(cancellable_.get());
  }
}

std::unique_ptr<ProxyLookup> ProxyLookup::start(const std::string& url, Done done) {
  GProxyResolver* resolver = desktopResolver();
  if (!resolver) return nullptr;
  std::unique_ptr<ProxyLookup> lookup(new ProxyLookup(std::move(done)));
  lookup->pending_ = new Pending{lookup.get()};
  g_proxy_resolver_lookup_async(resolver, url.c_str(), lookup->cancellable_.get(),
                                &ProxyLookup::onAnswer, lookup->pending_);
  return lookup;
}

void ProxyLookup::onAnswer(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
  GError* error = nullptr;
  std::unique_ptr<gchar*, FreeWith<g_strfreev>> proxies(
      g_proxy_resolver_lookup_finish(G_PROXY_RESOLVER(source), result, &error));
  g_clear_error(&error);
  ProxyLookup* owner = pending->owner;
  if (!owner) return;
  owner->pending_ = nullptr;
  // A resolver that fails (a broken PAC script, say) leaves the decision to libcurl.
  std::vector<std::string> answer;
  for (gchar** p = proxies.get(); p && *p; ++p) answer.emplace_back(*p);
  // The owner may be destroyed by done: nothing here touches it after.
  Done done = owner->done_;
  done(curlProxyFor(answer));
}

std::optional<std::string> ProxyLookup::curlProxyFor(const std::vector<std::string>& proxies) {
  for (const std::string& proxy : proxies) {
    const std::size_t end = proxy.find("://");
    if (end == std::string::npos) continue;
    std::string scheme = proxy.substr(0, end);
    for (char& c : scheme) c = g_ascii_tolower(c);
    const std::string rest = proxy.substr(end);
    if (scheme == "direct") return std::nullopt;
    if (scheme == "http") return "http" + rest;
    if (scheme == "https" && curlHasHttpsProxy()) return "https" + rest;
    // GIO's SOCKS proxies pass the host name on ("socks" tries version 5 first); so does socks5h.
    if (scheme == "socks" || scheme == "socks5") return "socks5h" + rest;
    if (scheme == "socks4a" || scheme == "socks4") return scheme + rest;
  }
  return std::nullopt;
}

}  // namespace platform
