#include "GtkUserInterface.h"

#include <gtk/gtk.h>

#include "GtkProgressWindow.h"

extern "C" void moorstep_ui_register_resource(void);

namespace platform::ui {

bool GtkUserInterface::displayAvailable() {
  static const bool available = [] {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    moorstep_ui_register_resource();
    return true;
  }();
  return available;
}

std::unique_ptr<ProgressWindow> GtkUserInterface::makeProgressWindow() {
  return std::make_unique<GtkProgressWindow>();
}

}  // namespace platform::ui
