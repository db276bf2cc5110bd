#include "GtkErrorDialogWindow.h"

namespace platform::ui {
namespace {
constexpr char kAddressKey[] = "moorstep-link-address";
}  // namespace

GtkErrorDialogWindow::GtkErrorDialogWindow()
    : builder_(gtk_builder_new_from_resource("/org/moorstep/ui/ErrorDialog.ui")),
      window_(GTK_WINDOW(gtk_builder_get_object(builder_, "ErrorDialog"))),
      textView_(GTK_TEXT_VIEW(gtk_builder_get_object(builder_, "textView"))),
      okButton_(GTK_BUTTON(gtk_builder_get_object(builder_, "okButton"))) {
  g_signal_connect(okButton_, "clicked", G_CALLBACK(&GtkErrorDialogWindow::onOkClicked), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkErrorDialogWindow::onDelete), this);
  g_signal_connect(textView_, "button-release-event", G_CALLBACK(&GtkErrorDialogWindow::onRelease),
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

void GtkErrorDialogWindow::setText(const AttributedText& text) {
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(textView_);
  gtk_text_buffer_set_text(buffer, "", 0);
  GtkTextIter end;
  for (const TextRun& run : text) {
    gtk_text_buffer_get_end_iter(buffer, &end);
    if (!run.link) {
      gtk_text_buffer_insert(buffer, &end, run.text.c_str(), static_cast<gint>(run.text.size()));
      continue;
    }
    GtkTextTag* tag = gtk_text_buffer_create_tag(buffer, nullptr, "foreground", "blue", "underline",
                                                 PANGO_UNDERLINE_SINGLE, nullptr);
    g_object_set_data_full(G_OBJECT(tag), kAddressKey, g_strdup(run.link->c_str()), g_free);
    gtk_text_buffer_insert_with_tags(buffer, &end, run.text.c_str(),
                                     static_cast<gint>(run.text.size()), tag, nullptr);
  }
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

gboolean GtkErrorDialogWindow::onRelease(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* dialog = static_cast<GtkErrorDialogWindow*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(dialog->textView_);
  GtkTextIter start, end;
  // A drag that selected text is not a click on a link.
  if (gtk_text_buffer_get_selection_bounds(buffer, &start, &end)) return FALSE;
  gint x = 0, y = 0;
  gtk_text_view_window_to_buffer_coords(dialog->textView_, GTK_TEXT_WINDOW_WIDGET,
                                        static_cast<gint>(event->x), static_cast<gint>(event->y),
                                        &x, &y);
  GtkTextIter at;
  if (!gtk_text_view_get_iter_at_location(dialog->textView_, &at, x, y)) return FALSE;
  GSList* tags = gtk_text_iter_get_tags(&at);
  for (GSList* t = tags; t; t = t->next) {
    const char* address =
        static_cast<const char*>(g_object_get_data(G_OBJECT(t->data), kAddressKey));
    if (address) gtk_show_uri_on_window(dialog->window_, address, event->time, nullptr);
  }
  g_slist_free(tags);
  return FALSE;
}

}  // namespace platform::ui
