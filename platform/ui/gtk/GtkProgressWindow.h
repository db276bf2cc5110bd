#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/ui/ProgressWindow.h"
#include "platform/ui/TransferDetail.h"

namespace platform::ui {

class GtkProgressWindow : public ProgressWindow {
 public:
  GtkProgressWindow();
  ~GtkProgressWindow() override;
  GtkProgressWindow(const GtkProgressWindow&) = delete;
  GtkProgressWindow& operator=(const GtkProgressWindow&) = delete;

  void setTitle(const std::string& title) override;
  void setText(const std::string& text) override;
  void setCancelTitle(const std::string& title) override;
  void setCancelAction(std::function<void()> action) override { cancel_ = std::move(action); }
  void setCancelEnabled(bool enabled) override;
  void setProgress(double percent) override;
  void setTransferred(std::int64_t received, std::int64_t expected) override;
  void makeKeyAndOrderFront() override;
  void close() override;

  // For tests that click the button for real and read the window.
  GtkWidget* cancelButtonWidget() const { return GTK_WIDGET(cancelButton_); }
  GtkLabel* detailLabel() const { return detailLabel_; }

 private:
  static void onCancelClicked(GtkButton* button, gpointer self);
  static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean onKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
  void cancelIfEnabled();

  GtkBuilder* builder_;
  GtkWindow* window_;
  GtkLabel* text_;
  GtkProgressBar* bar_;
  GtkLabel* detailLabel_;
  GtkButton* cancelButton_;
  std::function<void()> cancel_;
  TransferDetail detail_;
};

}  // namespace platform::ui
