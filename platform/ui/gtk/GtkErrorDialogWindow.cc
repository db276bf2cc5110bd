#include "GtkErrorDialogWindow.h"

namespace platform::ui {
namespace {
std::string escaped(const std::string& text) {
  gchar* markup = g_markup_escape_text(text.c_str(), static_cast<gssize>(text.size()));
  std::string result = markup;
  g_free(markup);
  return result;
}
}  // namespace

GtkErrorDialogWindow::GtkErrorDialogWindow()
    : builder_(gtk_builder_new_from_resource("/org/moorstep/ui/ErrorDialog.ui")),
      window_(GTK_WINDOW(gtk_builder_get_object(builder_, "ErrorDialog"))),
      text_(GTK_LABEL(gtk_builder_get_object(builder_, "text"))),
      okButton_(GTK_BUTTON(gtk_builder_get_object(builder_, "okButton"))) {
  g_signal_connect(okButton_, "clicked", G_CALLBACK(&GtkErrorDialogWindow::onOkClicked), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkErrorDialogWindow::onDelete), this);
  // After the focused widget: Enter on a link opens it, Enter on OK presses it.
  g_signal_connect_after(window_, "key-press-event", G_CALLBACK(&GtkErrorDialogWindow::onKeyPress),
                         this);
}

GtkErrorDialogWindow::~GtkErrorDialogWindow() {
  gtk_widget_destroy(GTK_WIDGET(window_));
  g_object_unref(builder_);
}

void GtkErrorDialogWindow::setTitle(const std::string& title) {
  gtk_window_set_title(window_, title.c_str());
}

void GtkErrorDialogWindow::setOkTitle(const std::string& title) {
  gtk_button_set_label(okButton_, title.c_str());
}

// The label follows a link itself (the user's browser, through gtk_show_uri_on_window), and
// tells screen readers that it is one.
void GtkErrorDialogWindow::setText(const AttributedText& text) {
  std::string markup;
  for (const TextRun& run : text) {
    markup += run.link ? "<a href=\"" + escaped(*run.link) + "\">" + escaped(run.text) + "</a>"
                       : escaped(run.text);
  }
  gtk_label_set_markup(text_, markup.c_str());
}

void GtkErrorDialogWindow::runModal() {
  gtk_widget_grab_default(GTK_WIDGET(okButton_));
  gtk_widget_grab_focus(GTK_WIDGET(okButton_));
  gtk_window_present(window_);
  modal_.reset(g_main_loop_new(nullptr, FALSE));
  g_main_loop_run(modal_.get());
  modal_.reset();
  gtk_widget_hide(GTK_WIDGET(window_));
}

void GtkErrorDialogWindow::stopModal() {
  if (modal_) g_main_loop_quit(modal_.get());
}

void GtkErrorDialogWindow::onOkClicked(GtkButton*, gpointer self) {
  auto* dialog = static_cast<GtkErrorDialogWindow*>(self);
  if (dialog->ok_) dialog->ok_();
}

// The title bar's close button is the only other way out, and means OK.
gboolean GtkErrorDialogWindow::onDelete(GtkWidget*, GdkEvent*, gpointer self) {
  onOkClicked(nullptr, self);
  return TRUE;
}

gboolean GtkErrorDialogWindow::onKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  switch (event->keyval) {
    case GDK_KEY_Escape:
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      onOkClicked(nullptr, self);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace platform::ui
