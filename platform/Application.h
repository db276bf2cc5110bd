#pragma once

#include <functional>
#include <memory>

namespace platform {

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  // Called once from the event loop after the main interface has been loaded.
  virtual void applicationDidFinishLaunching() = 0;
};

// Builds the objects that the main interface description holds and returns the one that
// receives the launch callback.
using MainInterfaceLoader = std::function<std::unique_ptr<ApplicationDelegate>()>;

// Hands the termination signals to the event loop (TerminationSignals), records the process
// arguments, loads the main interface, schedules the launch callback and runs the event loop.
// The process ends through exitProcess(); the objects are not torn down.
int ApplicationMain(int argc, char** argv, const MainInterfaceLoader& loadMainInterface);

// The one way the process ends. Flushes the standard streams and exits with code.
void exitProcess(int code);

// Tests replace the exit with a recorder; an empty handler restores the real exit.
using ExitHandler = std::function<void(int code)>;
void setExitHandler(ExitHandler handler);

}  // namespace platform
