#include "GtkProgressWindow.h"

#include <algorithm>

namespace platform::ui {

GtkProgressWindow::GtkProgressWindow()
    : builder_(gtk_builder_new_from_resource("/org/moorstep/ui/ProgressWindow.ui")),
      window_(GTK_WINDOW(gtk_builder_get_object(builder_, "progressWindow"))),
      text_(GTK_LABEL(gtk_builder_get_object(builder_, "text"))),
      bar_(GTK_PROGRESS_BAR(gtk_builder_get_object(builder_, "progressBar"))),
      detailLabel_(GTK_LABEL(gtk_builder_get_object(builder_, "detail"))),
      cancelButton_(GTK_BUTTON(gtk_builder_get_object(builder_, "cancelButton"))) {
  g_signal_connect(cancelButton_, "clicked", G_CALLBACK(&GtkProgressWindow::onCancelClicked), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkProgressWindow::onDelete), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(&GtkProgressWindow::onKeyPress), this);
}

GtkProgressWindow::~GtkProgressWindow() {
  gtk_widget_destroy(GTK_WIDGET(window_));
  g_object_unref(builder_);
}

void GtkProgressWindow::setTitle(const std::string& title) {
  gtk_window_set_title(window_, title.c_str());
}

// A screen reader names the bar by the text above it; its value it reads from the bar itself.
void GtkProgressWindow::setText(const std::string& text) {
  gtk_label_set_text(text_, text.c_str());
  atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(bar_)), text.c_str());
}

void GtkProgressWindow::setCancelTitle(const std::string& title) {
  if (!title.empty()) gtk_button_set_label(cancelButton_, title.c_str());
}

void GtkProgressWindow::setCancelEnabled(bool enabled) {
  gtk_widget_set_sensitive(GTK_WIDGET(cancelButton_), enabled);
}

void GtkProgressWindow::setProgress(double percent) {
  gtk_progress_bar_set_fraction(bar_, std::clamp(percent, 0.0, 100.0) / 100.0);
}

void GtkProgressWindow::setTransferred(std::int64_t received, std::int64_t expected) {
  if (detail_.update(received, expected, TransferDetail::Clock::now())) {
    gtk_label_set_text(detailLabel_, detail_.text().c_str());
  }
}

void GtkProgressWindow::makeKeyAndOrderFront() { gtk_window_present(window_); }

void GtkProgressWindow::close() { gtk_widget_hide(GTK_WIDGET(window_)); }

void GtkProgressWindow::onCancelClicked(GtkButton*, gpointer self) {
  auto* window = static_cast<GtkProgressWindow*>(self);
  if (window->cancel_) window->cancel_();
}

void GtkProgressWindow::cancelIfEnabled() {
  if (gtk_widget_get_sensitive(GTK_WIDGET(cancelButton_)) && cancel_) cancel_();
}

// Closing the window from its title bar, or Escape, means the same as Cancel; the window itself
// stays.
gboolean GtkProgressWindow::onDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<GtkProgressWindow*>(self)->cancelIfEnabled();
  return TRUE;
}

gboolean GtkProgressWindow::onKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<GtkProgressWindow*>(self)->cancelIfEnabled();
  return TRUE;
}

}  // namespace platform::ui
