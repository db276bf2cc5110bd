#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Notification.h"
#include "platform/PropertyList.h"

namespace moorstep {

class Downloader;

// The application delegate: runs once per launch and drives every step of the install.
class Bootstrapper : public platform::ApplicationDelegate {
 public:
  // processArguments: the whole argument list, program path first. mainBundle: the bundle the
  // executable runs from (nullopt when there is none).
  Bootstrapper(std::vector<std::string> processArguments,
               std::optional<platform::Bundle> mainBundle);
  ~Bootstrapper() override;
  Bootstrapper(const Bootstrapper&) = delete;
  Bootstrapper& operator=(const Bootstrapper&) = delete;

  void applicationDidFinishLaunching() override;

  const std::string& appName() const { return appName_; }
  void setAppName(std::string name) { appName_ = std::move(name); }
  const std::string& localizedWindowTitle() const { return localizedWindowTitle_; }
  void setLocalizedWindowTitle(std::string title) { localizedWindowTitle_ = std::move(title); }

  // Connected by the main interface; the bootstrapper never creates or releases it.
  void setDownloader(Downloader* downloader) { downloader_ = downloader; }

  const std::string& exePath() const { return exePath_; }
  const std::optional<std::string>& appPath() const { return appPath_; }
  const std::optional<platform::PropertyList>& config() const { return config_; }
  // The folder that appPath would name: the resources joined with the application name.
  const std::string& appPathLookedFor() const { return appPathLookedFor_; }

 private:
  void notifyDownloaderDone(const platform::Notification& notification);
  void notifySignatureDone(const platform::Notification& notification);

  std::vector<std::string> processArguments_;
  std::optional<platform::Bundle> mainBundle_;
  std::string exePath_;
  std::optional<std::string> appPath_;
  std::string appName_;
  std::optional<std::string> installerLaunchPath_;
  std::string localizedWindowTitle_;
  std::optional<platform::PropertyList> config_;
  std::string appPathLookedFor_;
  Downloader* downloader_ = nullptr;
};

// The application name: the executable's file name less a leading "Install ".
std::string applicationNameFor(const std::string& executableFileName);

}  // namespace moorstep
