#pragma once

#include <signal.h>
#include <spawn.h>

#include <functional>

#include "Handles.h"

namespace platform {

// One of SIGINT, SIGTERM and SIGHUP, as it arrived.
struct ReceivedSignal {
  int number = 0;
  // Raised by the kernel for a whole process group: Ctrl-C or a hang-up at the controlling
  // terminal. Every process of the group, a child that shares it included, has it too.
  bool toProcessGroup = false;
};

// The one owner of the termination signals for the whole run. It records the signal mask and
// the dispositions the process inherited, blocks SIGINT, SIGTERM and SIGHUP before any thread
// exists and hands them to the main loop through a signalfd, so that they are
// handled between events in every phase, whatever window is up, and never cut a step in half.
// A signal that was ignored at start stays ignored. Children get the inherited state back.
class TerminationSignals {
 public:
  using Handler = std::function<void(const ReceivedSignal&)>;

  // Records the inherited state on first use.
  static TerminationSignals& shared();

  // Blocks the signals that were not ignored at start: from here on they wait for the loop.
  // First thing in main, before any thread is made, so every later thread inherits the block.
  void block();
  // Hands the blocked signals to the main loop. False when the descriptor for them cannot be
  // made: they stay blocked, and the run must end without its loop.
  bool start();
  // What a signal means is the application's decision. Without a handler it ends the process
  // with 128 + its number.
  void setHandler(Handler handler) { handler_ = std::move(handler); }
  // Handles at once the signals that have arrived: for long steps that cannot return to the
  // loop for a while.
  void handlePending();
  // Makes a child start with the mask and the default dispositions the process inherited.
  void restoreInheritedStateFor(posix_spawnattr_t& attributes) const;
  // The same in a forked child before its exec; async-signal-safe.
  void restoreInheritedState() const;

 private:
  TerminationSignals();
  static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);

  sigset_t inheritedMask_;
  sigset_t inheritedDefaults_;
  sigset_t inheritedIgnored_;
  sigset_t taken_;
  int fd_ = -1;
  SourceId watch_;
  Handler handler_;
};

}  // namespace platform
