#include "Application.h"

#include <glib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ProcessInfo.h"
#include "RunLoop.h"
#include "TerminationSignals.h"

namespace platform {
namespace {
// The loop's wake-up and signal descriptors, the log, the folder lock, the files of a download,
// its connections and the resolver's, GIO's modules and a display: a few dozen at the most.
constexpr rlim_t kDescriptorsNeeded = 64;

// The soft limit in force after raising it, as far as the hard limit allows, to what a run needs;
// no further, since the installers inherit it.
rlim_t raiseDescriptorLimit() {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur >= kDescriptorsNeeded) return limit.rlim_cur;
  const rlim_t wanted = std::min(limit.rlim_max, kDescriptorsNeeded);
  struct rlimit raised = limit;
  raised.rlim_cur = wanted;
  return setrlimit(RLIMIT_NOFILE, &raised) == 0 ? wanted : limit.rlim_cur;
}

ExitHandler& exitHandler() {
  static ExitHandler handler;
  return handler;
}
}  // namespace

int ApplicationMain(int argc, char** argv, const MainInterfaceLoader& loadMainInterface) {
  ProcessInfo::setArguments(argc, argv);
  // Before GLib makes any descriptor: short of one, it aborts the process.
  const rlim_t limit = raiseDescriptorLimit();
  const bool launchable = limit >= kDescriptorsNeeded && TerminationSignals::shared().start();
  // Owned by this frame, which the process never leaves: the objects live until exit.
  std::unique_ptr<ApplicationDelegate> delegate = loadMainInterface();
  if (!delegate) return 1;
  if (!launchable) {
    delegate->applicationCannotLaunch(
        {static_cast<int>(std::min<rlim_t>(limit, kDescriptorsNeeded)), kDescriptorsNeeded});
    return 1;
  }
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer d) -> gboolean {
        static_cast<ApplicationDelegate*>(d)->applicationDidFinishLaunching();
        return G_SOURCE_REMOVE;
      },
      delegate.get(), nullptr);
  RunLoop::main().run();
  return 0;
}

void exitProcess(int code) {
  if (exitHandler()) {
    exitHandler()(code);
    return;
  }
  std::fflush(nullptr);
  std::exit(code);
}

void setExitHandler(ExitHandler handler) { exitHandler() = std::move(handler); }

}  // namespace platform
