#pragma once

#include <functional>
#include <memory>

namespace platform {

// The process may open too few descriptors for a run: the event loop alone needs some.
struct DescriptorShortage {
  int limit;   // the soft limit in force, raised as far as the hard limit allowed
  int needed;  // what a run needs
};

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  // Called once from the event loop after the main interface has been loaded.
  virtual void applicationDidFinishLaunching() = 0;
  // Called instead, with no event loop, when the process cannot have the descriptors a run
  // needs; the termination signals stay blocked until the process ends.
  virtual void applicationCannotLaunch(const DescriptorShortage& shortage) = 0;
};

// Builds the objects that the main interface description holds and returns the one that
// receives the launch callback.
using MainInterfaceLoader = std::function<std::unique_ptr<ApplicationDelegate>()>;

// Records the process arguments, makes sure that enough descriptors may be open, hands the
// termination signals (blocked by main before this) to the event loop, loads the main interface,
// schedules the launch callback and runs the event loop. The process ends through
// exitProcess(); the objects are not torn down.
int ApplicationMain(int argc, char** argv, const MainInterfaceLoader& loadMainInterface);

// The one way the process ends. Flushes the standard streams and exits with code.
void exitProcess(int code);

// Tests replace the exit with a recorder; an empty handler restores the real exit.
using ExitHandler = std::function<void(int code)>;
void setExitHandler(ExitHandler handler);

}  // namespace platform
