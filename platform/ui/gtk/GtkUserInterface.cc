#include "GtkUserInterface.h"

#include <gtk/gtk.h>

#include "GtkErrorDialogWindow.h"
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

std::unique_ptr<ErrorDialogWindow> GtkUserInterface::makeErrorDialogWindow() {
  return std::make_unique<GtkErrorDialogWindow>();
}

void GtkUserInterface::runAlert(const std::string& title, const std::string& message,
                                const std::string& buttonTitle) {
  GtkWidget* alert = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                            GTK_BUTTONS_NONE, "%s", title.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(alert), "%s", message.c_str());
  gtk_dialog_add_button(GTK_DIALOG(alert), buttonTitle.c_str(), GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(alert), GTK_RESPONSE_OK);
  gtk_window_set_title(GTK_WINDOW(alert), title.c_str());
  gtk_dialog_run(GTK_DIALOG(alert));
  gtk_widget_destroy(alert);
}

}  // namespace platform::ui
