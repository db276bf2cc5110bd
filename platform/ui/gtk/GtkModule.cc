// The entry of the GTK back end, which is a module of its own: GTK and its libraries are loaded
// only when a window is first needed, never on the paths that end before that.
#include "GtkUserInterface.h"

extern "C" __attribute__((visibility("default"))) platform::ui::UserInterface*
moorstep_gtk_user_interface_new() {
  if (!platform::ui::GtkUserInterface::displayAvailable()) return nullptr;
  return new platform::ui::GtkUserInterface();
}
