#pragma once

#include <optional>
#include <string>

#include "PropertyList.h"

namespace platform {

// A bundle folder in one of three layouts: an application (Contents/Info.plist,
// Contents/MacOS/<exe>, Contents/Resources/), a framework (Resources/Info.plist) or a flat
// folder (Info.plist beside the resources).
class Bundle {
 public:
  // The bundle of the running executable, found from its real path.
  static std::optional<Bundle> mainBundle();
  // Inside .../Contents/MacOS/ the bundle is the folder two levels above MacOS; elsewhere the
  // executable's own folder is a flat bundle.
  static std::optional<Bundle> forExecutable(const std::string& executableRealPath);
  // nullopt unless path is an existing directory.
  static std::optional<Bundle> bundleWithPath(const std::string& path);

  const std::string& bundlePath() const { return path_; }
  std::string resourcePath() const;
  // A string value of the information dictionary; nullopt when absent or not a string.
  std::optional<std::string> infoValue(const std::string& key) const;
  // The main executable named by CFBundleExecutable, when that file exists.
  std::optional<std::string> executablePath() const;
  // resourcePath/name.type when something exists there.
  std::optional<std::string> pathForResource(const std::string& name,
                                             const std::string& type) const;

 private:
  enum class Layout { Application, Framework, Flat };
  Bundle(std::string path, Layout layout, std::optional<PropertyList> info);

  std::string path_;
  Layout layout_;
  std::optional<PropertyList> info_;
};

}  // namespace platform
