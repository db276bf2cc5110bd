#include "TermProgressWindow.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace platform::ui {
namespace {
constexpr int kBarWidth = 30;
}  // namespace

TermProgressWindow::TermProgressWindow(FILE* out) : out_(out), terminal_(isatty(fileno(out))) {}

TermProgressWindow::~TermProgressWindow() { close(); }

std::string TermProgressWindow::renderLine(const std::string& title, const std::string& text,
                                           double percent) {
  const double shown = std::clamp(percent, 0.0, 100.0);
  const int filled = static_cast<int>(shown / 100.0 * kBarWidth);
  // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict inside std::string for
  // a literal prepended to a temporary ("[" + std::string(...)).
  std::string line;
  if (!title.empty()) line.append(title).append(" ");
  line.append("[").append(filled, '#').append(kBarWidth - filled, '-').append("] ");
  line.append(std::to_string(static_cast<int>(shown))).append("%");
  if (!text.empty()) line.append("  ").append(text);
  return line;
}

void TermProgressWindow::setText(const std::string& text) {
  text_ = text;
  drawnPercent_ = -1;
  draw();
}

void TermProgressWindow::setProgress(double percent) {
  percent_ = percent;
  draw();
}

void TermProgressWindow::makeKeyAndOrderFront() {
  if (!shown_) {
    shown_ = true;
    drawnPercent_ = -1;
  }
  draw();
}

void TermProgressWindow::close() {
  if (!shown_) return;
  shown_ = false;
  if (terminal_) {
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
  }
}

void TermProgressWindow::draw() {
  if (!shown_ || !terminal_) return;
  const int percent = static_cast<int>(std::clamp(percent_, 0.0, 100.0));
  if (percent == drawnPercent_) return;
  drawnPercent_ = percent;
  std::fprintf(out_, "\r\033[K%s", renderLine(title_, text_, percent_).c_str());
  std::fflush(out_);
}

}  // namespace platform::ui
