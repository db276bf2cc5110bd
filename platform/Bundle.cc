#include "Bundle.h"

#include <filesystem>
#include <system_error>

#include "FileManager.h"

namespace platform {
namespace fs = std::filesystem;

namespace {
bool present(const fs::path& p) { return fileExists(p.string()); }
bool isFolder(const fs::path& p) { return isDirectory(p.string()); }
}  // namespace

Bundle::Bundle(std::string path, Layout layout, std::optional<PropertyList> info)
    : path_(std::move(path)), layout_(layout), info_(std::move(info)) {}

std::optional<Bundle> Bundle::mainBundle() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return forExecutable(exe.string());
}

std::optional<Bundle> Bundle::forExecutable(const std::string& executableRealPath) {
  fs::path folder = fs::path(executableRealPath).parent_path();
  if (folder.filename() == "MacOS" && folder.parent_path().filename() == "Contents") {
    if (auto bundle = bundleWithPath(folder.parent_path().parent_path().string())) return bundle;
  }
  if (!isFolder(folder)) return std::nullopt;
  return Bundle(folder.string(), Layout::Flat,
                PropertyList::readDictionary((folder / "Info.plist").string()));
}

std::optional<Bundle> Bundle::bundleWithPath(const std::string& path) {
  const fs::path root(path);
  if (!isFolder(root)) return std::nullopt;
  if (present(root / "Contents" / "Info.plist") || isFolder(root / "Contents")) {
    return Bundle(path, Layout::Application,
                  PropertyList::readDictionary((root / "Contents" / "Info.plist").string()));
  }
  if (present(root / "Resources" / "Info.plist")) {
    return Bundle(path, Layout::Framework,
                  PropertyList::readDictionary((root / "Resources" / "Info.plist").string()));
  }
  return Bundle(path, Layout::Flat, PropertyList::readDictionary((root / "Info.plist").string()));
}

std::string Bundle::resourcePath() const {
  switch (layout_) {
    case Layout::Application:
      return (fs::path(path_) / "Contents" / "Resources").string();
    case Layout::Framework:
      return (fs::path(path_) / "Resources").string();
    case Layout::Flat:
      break;
  }
  return path_;
}

std::optional<std::string> Bundle::infoValue(const std::string& key) const {
  if (!info_) return std::nullopt;
  return info_->stringValue(key);
}

std::optional<std::string> Bundle::executablePath() const {
  std::optional<std::string> name = infoValue("CFBundleExecutable");
  if (!name || name->empty() || name->find('/') != std::string::npos) return std::nullopt;
  fs::path folder =
      layout_ == Layout::Application ? fs::path(path_) / "Contents" / "MacOS" : fs::path(path_);
  fs::path executable = folder / *name;
  if (!present(executable) || isFolder(executable)) return std::nullopt;
  return executable.string();
}

std::optional<std::string> Bundle::pathForResource(const std::string& name,
                                                   const std::string& type) const {
  fs::path candidate = fs::path(resourcePath()) / (type.empty() ? name : name + "." + type);
  if (!present(candidate)) return std::nullopt;
  return candidate.string();
}

}  // namespace platform
