#include "Moorstep/MainInterface.h"

#include "platform/Bundle.h"
#include "platform/ProcessInfo.h"

namespace moorstep {

MainInterface::MainInterface()
    : bootstrapper_(std::make_unique<Bootstrapper>(platform::ProcessInfo::arguments(),
                                                   platform::Bundle::mainBundle())) {
  progressWindow_.setTitle(bootstrapper_->localizedWindowTitle());
  downloader_.setProgressWindow(&progressWindow_);
  bootstrapper_->setDownloader(&downloader_);
}

void MainInterface::applicationDidFinishLaunching() {
  bootstrapper_->applicationDidFinishLaunching();
}

void MainInterface::applicationCannotLaunch(const platform::DescriptorShortage& shortage) {
  bootstrapper_->applicationCannotLaunch(shortage);
}

std::unique_ptr<platform::ApplicationDelegate> loadMainInterface() {
  return std::make_unique<MainInterface>();
}

}  // namespace moorstep
