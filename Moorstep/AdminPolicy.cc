#include "Moorstep/AdminPolicy.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <set>

#include "libinstall/InstallLogMsgs.h"
#include "libinstall/LibInstall.h"
#include "platform/Handles.h"
#include "platform/OpenFile.h"
#include "platform/Text.h"

namespace moorstep {
namespace {
constexpr char kRelativePath[] = "moorstep/moorstep.conf";
constexpr std::uint64_t kMaxRateKiB = std::uint64_t{1} << 32;
// A policy is a few lines: anything larger is not one, and would only cost memory.
constexpr std::size_t kMaxPolicyBytes = 64 * 1024;
constexpr std::size_t kLoggedBytes = 256;

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

// Text of the file as the log shows it: one record must stay readable whatever the file holds.
std::string shortened(std::string text) {
  if (text.size() <= kLoggedBytes) return text;
  std::size_t cut = kLoggedBytes;
  // Not inside a UTF-8 character, which the log would show as broken bytes.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) --cut;
  text.resize(cut);
  return text + "...";
}

// The file's text, or nullopt with why it cannot be had. Never waits on a FIFO or a device.
std::optional<std::string> policyText(const std::string& path, std::string* reason) {
  const std::optional<platform::OpenFile> file =
      platform::OpenFile::open(path, platform::OpenFile::Links::kFollow);
  if (!file) {
    const int error = errno;
    const bool there = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
    *reason = there ? "not a regular file" : g_strerror(error);
    return std::nullopt;
  }
  std::optional<std::string> text = file->readAll(kMaxPolicyBytes);
  if (!text) *reason = errno == EFBIG ? "larger than 64 KiB" : g_strerror(errno);
  return text;
}

std::string leftTrimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first);
}

// What the key file parser would pass over in silence: a NUL ends its value there, and a
// repeated group or key keeps only its last lines, so a later line could loosen an earlier one.
// Returns why the file cannot be used, or "" with a repeated key's name and value in *key and
// *value ("" when there is none).
std::string hiddenFault(const std::string& text, std::string* key, std::string* value) {
  if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
    const auto line = std::count(text.begin(), text.begin() + static_cast<long>(nul), '\n') + 1;
    return "a NUL byte on line " + std::to_string(line);
  }
  std::set<std::string> groups, keys;
  std::string group;
  for (const std::string& raw : platform::splitString(text, '\n')) {
    const std::string line = leftTrimmed(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      group = line.substr(1, line.rfind(']') - 1);
      if (!groups.insert(group).second) return "the group [" + group + "] appears twice";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = settingName(group.c_str(), trimmed(line.substr(0, equals)).c_str());
    if (!keys.insert(name).second) {
      *key = name;
      *value = trimmed(line.substr(equals + 1));
      return {};
    }
  }
  return {};
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
// The file's keys, or null after the error line that says why they cannot be used.
KeyFilePtr keyFile(const std::string& path) {
  std::string reason, repeatedKey, repeatedValue;
  const std::optional<std::string> text = policyText(path, &reason);
  if (text) reason = hiddenFault(*text, &repeatedKey, &repeatedValue);
  if (!repeatedKey.empty()) {
    install::logPolicyBadValue(path.c_str(), shortened(repeatedKey).c_str(),
                               shortened(repeatedValue).c_str());
    return nullptr;
  }
  KeyFilePtr file(g_key_file_new());
  GError* error = nullptr;
  if (reason.empty() &&
      !g_key_file_load_from_data(file.get(), text->data(), text->size(), G_KEY_FILE_NONE, &error)) {
    reason = error && *error->message ? error->message : "not a key file";
    g_clear_error(&error);
  }
  if (reason.empty()) return file;
  install::logPolicyUnreadable(path.c_str(), shortened(reason).c_str());
  return nullptr;
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
  const KeyFilePtr file = keyFile(path);
  if (!file) return std::nullopt;
  AdminPolicy policy;
  StringsPtr groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); group && *group; ++group) {
    if (!isKnownGroup(*group)) {
      install::logPolicyUnknownSetting(path.c_str(), shortened(settingName(*group)).c_str());
      continue;
    }
    StringsPtr keys(g_key_file_get_keys(file.get(), *group, nullptr, nullptr));
    for (gchar** key = keys.get(); key && *key; ++key) {
      const std::string name = settingName(*group, *key);
      if (!isKnownKey(*group, *key)) {
        install::logPolicyUnknownSetting(path.c_str(), shortened(name).c_str());
        continue;
      }
      std::unique_ptr<gchar, platform::FreeWith<g_free>> raw(
          g_key_file_get_value(file.get(), *group, *key, nullptr));
      std::unique_ptr<gchar, platform::FreeWith<g_free>> value(
          g_key_file_get_string(file.get(), *group, *key, nullptr));
      if (!value || !policy.apply(*group, *key, value.get())) {
        install::logPolicyBadValue(path.c_str(), shortened(name).c_str(),
                                   shortened(raw ? raw.get() : "").c_str());
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
