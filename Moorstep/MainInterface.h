#pragma once

#include <memory>

#include "Moorstep/Bootstrapper.h"
#include "Moorstep/Downloader.h"
#include "platform/Application.h"
#include "platform/ui/UserInterface.h"

namespace moorstep {

// What the main interface description holds: the bootstrapper, the process's one downloader
// and its progress window, connected. The window is made for real only when first shown.
class MainInterface : public platform::ApplicationDelegate {
 public:
  MainInterface();
  void applicationDidFinishLaunching() override;
  void applicationCannotLaunch(const platform::DescriptorShortage& shortage) override;

 private:
  platform::ui::LazyProgressWindow progressWindow_;
  Downloader downloader_;
  std::unique_ptr<Bootstrapper> bootstrapper_;
};

std::unique_ptr<platform::ApplicationDelegate> loadMainInterface();

}  // namespace moorstep
