#include "Moorstep/AdminPolicy.h"

#include <glib.h>

#include <memory>

#include "libinstall/InstallLogMsgs.h"
#include "libinstall/LibInstall.h"
#include "platform/Handles.h"

namespace moorstep {
namespace {
constexpr char kRelativePath[] = "moorstep/moorstep.conf";
constexpr std::uint64_t kMaxRateKiB = std::uint64_t{1} << 32;

using KeyFilePtr = std::unique_ptr<GKeyFile, platform::FreeWith<g_key_file_unref>>;
using StringsPtr = std::unique_ptr<gchar*, platform::FreeWith<g_strfreev>>;
using UriPtr = std::unique_ptr<GUri, platform::FreeWith<g_uri_unref>>;

struct Known {
  const char* group;
  const char* key;
};
constexpr Known kKnownKeys[] = {{"Download", "Sources"},
                                {"Download", "MaxRateKiB"},
                                {"Revocation", "Policy"},
                                {"Revocation", "Folder"},
                                {"Network", "CAFile"}};

// "[Group]" or "[Group] Key", as the log names a setting. Appended piece by piece: GCC 12 at -O3
// warns falsely on a literal added to a temporary string.
std::string settingName(const char* group, const char* key = nullptr) {
  std::string name("[");
  name.append(group).append("]");
  if (key) name.append(" ").append(key);
  return name;
}

bool isKnownGroup(const std::string& group) {
  for (const Known& known : kKnownKeys) {
    if (group == known.group) return true;
  }
  return false;
}

bool isKnownKey(const std::string& group, const std::string& key) {
  for (const Known& known : kKnownKeys) {
    if (group == known.group && key == known.key) return true;
  }
  return false;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A base address as the download path will follow it: http(s) with a host, or a file:///
// folder; no query or fragment, and no trailing slash.
std::optional<std::string> sourceBase(const std::string& text) {
  UriPtr uri(g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr));
  if (!uri || g_uri_get_query(uri.get()) || g_uri_get_fragment(uri.get())) return std::nullopt;
  const std::string scheme = g_uri_get_scheme(uri.get());
  const char* host = g_uri_get_host(uri.get());
  const bool hasHost = host && *host;
  const bool web = (scheme == "http" || scheme == "https") && hasHost;
  const bool folder =
      scheme == "file" && !hasHost && g_ascii_strncasecmp(text.c_str(), "file:///", 8) == 0;
  if (!web && !folder) return std::nullopt;
  // The scheme in lower case, so that a folder is known by its address's first letters.
  std::string base = scheme + text.substr(scheme.size());
  while (base.ends_with('/') && !base.ends_with(":///")) base.pop_back();
  if (base.ends_with(":///")) base.pop_back();
  return base;
}

bool isAbsolutePath(const std::string& path, GFileTest kind) {
  return g_path_is_absolute(path.c_str()) && g_file_test(path.c_str(), kind);
}
}  // namespace

AdminPolicy::AdminPolicy() : sources_{"http://" + install::downloadHost()} {}

std::optional<std::string> AdminPolicy::locate() {
  for (const gchar* const* dir = g_get_system_config_dirs(); dir && *dir; ++dir) {
    std::unique_ptr<gchar, platform::FreeWith<g_free>> path(
        g_build_filename(*dir, kRelativePath, nullptr));
    if (g_file_test(path.get(), G_FILE_TEST_EXISTS)) return std::string(path.get());
  }
  return std::nullopt;
}

std::optional<AdminPolicy> AdminPolicy::load() {
  const std::optional<std::string> path = locate();
  if (!path) return AdminPolicy();
  return read(*path);
}

std::optional<AdminPolicy> AdminPolicy::read(const std::string& path) {
  KeyFilePtr file(g_key_file_new());
  GError* error = nullptr;
  if (!g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, &error)) {
    install::logPolicyUnreadable(path.c_str(), error ? error->message : "");
    g_clear_error(&error);
    return std::nullopt;
  }
  AdminPolicy policy;
  StringsPtr groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); group && *group; ++group) {
    if (!isKnownGroup(*group)) {
      install::logPolicyUnknownSetting(path.c_str(), settingName(*group).c_str());
      continue;
    }
    StringsPtr keys(g_key_file_get_keys(file.get(), *group, nullptr, nullptr));
    for (gchar** key = keys.get(); key && *key; ++key) {
      const std::string name = settingName(*group, *key);
      if (!isKnownKey(*group, *key)) {
        install::logPolicyUnknownSetting(path.c_str(), name.c_str());
        continue;
      }
      std::unique_ptr<gchar, platform::FreeWith<g_free>> raw(
          g_key_file_get_value(file.get(), *group, *key, nullptr));
      std::unique_ptr<gchar, platform::FreeWith<g_free>> value(
          g_key_file_get_string(file.get(), *group, *key, nullptr));
      if (!value || !policy.apply(*group, *key, value.get())) {
        install::logPolicyBadValue(path.c_str(), name.c_str(), raw ? raw.get() : "");
        return std::nullopt;
      }
    }
  }
  install::logPolicyApplied(path.c_str());
  return policy;
}

bool AdminPolicy::apply(const std::string& group, const std::string& key, const std::string& text) {
  const std::string value = trimmed(text);
  if (group == "Download" && key == "Sources") return applySources(value);
  if (group == "Download" && key == "MaxRateKiB") {
    guint64 kib = 0;
    if (!g_ascii_string_to_unsigned(value.c_str(), 10, 1, kMaxRateKiB, &kib, nullptr)) {
      return false;
    }
    maxRateBytesPerSecond_ = kib * 1024;
    return true;
  }
  if (group == "Revocation" && key == "Policy") {
    if (value != "fail-open" && value != "require") return false;
    revocation_.require = value == "require";
    return true;
  }
  if (group == "Revocation" && key == "Folder") {
    if (!isAbsolutePath(value, G_FILE_TEST_IS_DIR)) return false;
    revocation_.folder = value;
    return true;
  }
  if (!isAbsolutePath(value, G_FILE_TEST_IS_REGULAR)) return false;
  caFile_ = value;
  return true;
}

bool AdminPolicy::applySources(const std::string& value) {
  std::vector<std::string> sources;
  StringsPtr parts(g_strsplit(value.c_str(), ";", -1));
  for (gchar** part = parts.get(); part && *part; ++part) {
    const std::string text = trimmed(*part);
    if (text.empty()) continue;
    std::optional<std::string> base = sourceBase(text);
    if (!base) return false;
    sources.push_back(std::move(*base));
  }
  if (sources.empty()) return false;
  sources_ = std::move(sources);
  return true;
}

}  // namespace moorstep
