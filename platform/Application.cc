#include "Application.h"

#include <glib.h>

#include <cstdio>
#include <cstdlib>

#include "ProcessInfo.h"
#include "RunLoop.h"
#include "TerminationSignals.h"

namespace platform {
namespace {
ExitHandler& exitHandler() {
  static ExitHandler handler;
  return handler;
}
}  // namespace

int ApplicationMain(int argc, char** argv, const MainInterfaceLoader& loadMainInterface) {
  // First, while the process has no other thread.
  TerminationSignals::shared().start();
  ProcessInfo::setArguments(argc, argv);
  // Owned by this frame, which the process never leaves: the objects live until exit.
  std::unique_ptr<ApplicationDelegate> delegate = loadMainInterface();
  if (!delegate) return 1;
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
