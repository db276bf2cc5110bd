#include "SessionBus.h"

namespace testsupport {

SessionBus::SessionBus()
    : daemon_({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"}),
      env_({"DBUS_SESSION_BUS_ADDRESS"}) {
  env_.set("DBUS_SESSION_BUS_ADDRESS", address());
  // The process's shared connection (GTK's, dconf's) must outlive this bus quietly: the test
  // decides when the process ends, not the bus going away.
  connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (connection_) g_dbus_connection_set_exit_on_close(connection_, FALSE);
}

SessionBus::~SessionBus() {
  if (connection_) g_object_unref(connection_);
}

}  // namespace testsupport
