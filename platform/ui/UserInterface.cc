#include "UserInterface.h"

#include <gmodule.h>

#include <filesystem>
#include <system_error>

#include "platform/FileManager.h"
#include "term/TermUserInterface.h"

namespace platform::ui {
namespace {
namespace fs = std::filesystem;
constexpr char kGtkModuleName[] = "moorstep-gtk.so";

UserInterface*& replacement() {
  static UserInterface* ui = nullptr;
  return ui;
}

// The GTK module sits in the bundle's PlugIns folder, or beside the executable in a build tree.
std::unique_ptr<UserInterface> loadGtkUserInterface() {
  std::error_code ec;
  const fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
  if (ec) return nullptr;
  for (const fs::path& candidate :
       {folder.parent_path() / "PlugIns" / kGtkModuleName, folder / kGtkModuleName}) {
    if (!fileExists(candidate.string())) continue;
    // Kept loaded for the rest of the process: its windows live until the process exits.
    GModule* module = g_module_open(candidate.c_str(), G_MODULE_BIND_LOCAL);
    gpointer entry = nullptr;
    if (!module || !g_module_symbol(module, "moorstep_gtk_user_interface_new", &entry))
      return nullptr;
    using Factory = UserInterface* (*)();
    return std::unique_ptr<UserInterface>(reinterpret_cast<Factory>(entry)());
  }
  return nullptr;
}
}  // namespace

UserInterface& defaultUserInterface() {
  if (replacement()) return *replacement();
  static std::unique_ptr<UserInterface> chosen = [] {
    std::unique_ptr<UserInterface> gtk = loadGtkUserInterface();
    return gtk ? std::move(gtk)
               : std::unique_ptr<UserInterface>(std::make_unique<TermUserInterface>());
  }();
  return *chosen;
}

void setUserInterfaceForTesting(UserInterface* ui) { replacement() = ui; }

void LazyProgressWindow::setTitle(const std::string& title) {
  title_ = title;
  if (window_) window_->setTitle(title);
}

void LazyProgressWindow::setText(const std::string& text) {
  text_ = text;
  if (window_) window_->setText(text);
}

void LazyProgressWindow::setCancelTitle(const std::string& title) {
  cancelTitle_ = title;
  if (window_) window_->setCancelTitle(title);
}

void LazyProgressWindow::setCancelAction(std::function<void()> action) {
  cancelAction_ = std::move(action);
  if (window_) window_->setCancelAction(cancelAction_);
}

void LazyProgressWindow::setCancelEnabled(bool enabled) {
  cancelEnabled_ = enabled;
  if (window_) window_->setCancelEnabled(enabled);
}

void LazyProgressWindow::setProgress(double percent) {
  progress_ = percent;
  if (window_) window_->setProgress(percent);
}

void LazyProgressWindow::setTransferred(std::int64_t received, std::int64_t expected) {
  received_ = received;
  expected_ = expected;
  if (window_) window_->setTransferred(received, expected);
}

void LazyProgressWindow::makeKeyAndOrderFront() {
  if (!window_) {
    window_ = defaultUserInterface().makeProgressWindow();
    window_->setTitle(title_);
    window_->setText(text_);
    window_->setCancelTitle(cancelTitle_);
    window_->setCancelAction(cancelAction_);
    window_->setCancelEnabled(cancelEnabled_);
    window_->setProgress(progress_);
    window_->setTransferred(received_, expected_);
  }
  window_->makeKeyAndOrderFront();
}

void LazyProgressWindow::close() {
  if (window_) window_->close();
}

}  // namespace platform::ui
