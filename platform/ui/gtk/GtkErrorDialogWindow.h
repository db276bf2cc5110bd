#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/Handles.h"
#include "platform/ui/ErrorDialogWindow.h"

namespace platform::ui {

// The "ErrorDialog" description: a label whose links, in the theme's link colour and
// underlined, open their address in the user's browser when clicked or, reached with Tab, on
// Enter; and an OK button. Escape and Enter (away from a link) are OK.
class GtkErrorDialogWindow : public ErrorDialogWindow {
 public:
  GtkErrorDialogWindow();
  ~GtkErrorDialogWindow() override;
  GtkErrorDialogWindow(const GtkErrorDialogWindow&) = delete;
  GtkErrorDialogWindow& operator=(const GtkErrorDialogWindow&) = delete;

  void setTitle(const std::string& title) override;
  void setOkTitle(const std::string& title) override;
  void setText(const AttributedText& text) override;
  void setOkAction(std::function<void()> action) override { ok_ = std::move(action); }
  void runModal() override;
  void stopModal() override;

  // For tests.
  GtkWidget* okButtonWidget() const { return GTK_WIDGET(okButton_); }
  GtkLabel* textLabel() const { return text_; }

 private:
  static void onOkClicked(GtkButton* button, gpointer self);
  static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean onKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);

  GtkBuilder* builder_;
  GtkWindow* window_;
  GtkLabel* text_;
  GtkButton* okButton_;
  std::function<void()> ok_;
  GMainLoopPtr modal_;
};

}  // namespace platform::ui
