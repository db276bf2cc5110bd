#pragma once

#include <gio/gio.h>

#include <string>

#include "AnnouncingProcess.h"
#include "ScopedEnv.h"

namespace testsupport {

// A D-Bus session bus of the test's own, named by DBUS_SESSION_BUS_ADDRESS while the object
// lives. Without it GLib would start a bus for the test's X display (dbus-x11), which ends with
// the display, and its "exit on close" would end the test process with SIGTERM.
class SessionBus {
 public:
  SessionBus();
  ~SessionBus();
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;

  const std::string& address() const { return daemon_.announcement(); }

 private:
  AnnouncingProcess daemon_;
  ScopedEnv env_;
  GDBusConnection* connection_ = nullptr;
};

}  // namespace testsupport
