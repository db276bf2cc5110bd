#include "TerminationSignals.h"

#include <glib-unix.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "Application.h"
#include "RunLoop.h"

namespace platform {
namespace {
constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};
}  // namespace

TerminationSignals& TerminationSignals::shared() {
  static TerminationSignals signals;
  return signals;
}

TerminationSignals::TerminationSignals() {
  pthread_sigmask(SIG_BLOCK, nullptr, &inheritedMask_);
  sigemptyset(&inheritedDefaults_);
  sigemptyset(&inheritedIgnored_);
  sigemptyset(&taken_);
  // Only "default" and "ignore" survive an exec, so these two sets are the whole inheritance.
  for (int number = 1; number < NSIG; ++number) {
    struct sigaction action {};
    if (sigaction(number, nullptr, &action) != 0 || (action.sa_flags & SA_SIGINFO)) continue;
    if (action.sa_handler == SIG_DFL) sigaddset(&inheritedDefaults_, number);
    if (action.sa_handler == SIG_IGN) sigaddset(&inheritedIgnored_, number);
  }
}

void TerminationSignals::block() {
  for (int number : kTerminationSignals) {
    // Whoever started us (nohup, a supervisor, trap '' HUP) asked for this one to be ignored.
    if (!sigismember(&inheritedIgnored_, number)) sigaddset(&taken_, number);
  }
  pthread_sigmask(SIG_BLOCK, &taken_, nullptr);
}

bool TerminationSignals::start() {
  if (fd_ >= 0) return true;
  // Unblocking them instead would leave every later signal to its default action, clean-up and
  // end line skipped.
  fd_ = signalfd(-1, &taken_, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) return false;
  GMainContext* context = RunLoop::main().context();
  GSource* source = g_unix_fd_source_new(fd_, G_IO_IN);
  // Before transfers and idle notifications: a request to stop is not queued behind them.
  g_source_set_priority(source, G_PRIORITY_HIGH);
  g_source_set_callback(source, G_SOURCE_FUNC(&TerminationSignals::onReadable), this, nullptr);
  watch_ = SourceId(context, g_source_attach(source, context));
  g_source_unref(source);
  return true;
}

void TerminationSignals::handlePending() {
  signalfd_siginfo info{};
  while (fd_ >= 0 && read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    const ReceivedSignal received{static_cast<int>(info.ssi_signo), info.ssi_code == SI_KERNEL};
    if (handler_) {
      handler_(received);
    } else {
      exitProcess(128 + received.number);
    }
  }
}

void TerminationSignals::restoreInheritedStateFor(posix_spawnattr_t& attributes) const {
  posix_spawnattr_setsigmask(&attributes, &inheritedMask_);
  // Signals this process caught, or that a library set to "ignore" since (as GIO does with
  // SIGPIPE), go back to what we were given.
  posix_spawnattr_setsigdefault(&attributes, &inheritedDefaults_);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

void TerminationSignals::restoreInheritedState() const {
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  for (int number = 1; number < NSIG; ++number) {
    if (sigismember(&inheritedDefaults_, number) == 1) sigaction(number, &byDefault, nullptr);
  }
  pthread_sigmask(SIG_SETMASK, &inheritedMask_, nullptr);
}

gboolean TerminationSignals::onReadable(gint, GIOCondition, gpointer self) {
  static_cast<TerminationSignals*>(self)->handlePending();
  return G_SOURCE_CONTINUE;
}

}  // namespace platform
