#include "TermProgressWindow.h"

#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace platform::ui {
namespace {
constexpr int kBarWidth = 30;
constexpr int kNarrowestBar = 10;

int charWidth(gunichar c) { return g_unichar_iszerowidth(c) ? 0 : g_unichar_iswide(c) ? 2 : 1; }

// The longest start of text that takes at most columns on a terminal, and the columns it takes:
// wide (East Asian) characters take two. Text that is not UTF-8 counts a column a byte.
std::pair<std::string, int> fitWidth(const std::string& text, int columns) {
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    const int width = std::min(static_cast<int>(text.size()), std::max(columns, 0));
    return {text.substr(0, static_cast<std::size_t>(width)), width};
  }
  int width = 0;
  const char* p = text.c_str();
  for (; *p; p = g_utf8_next_char(p)) {
    const int next = width + charWidth(g_utf8_get_char(p));
    if (next > columns) break;
    width = next;
  }
  return {text.substr(0, static_cast<std::size_t>(p - text.c_str())), width};
}

int displayWidth(const std::string& text) { return fitWidth(text, INT_MAX).second; }

std::string compose(const std::string& title, const std::string& text, double shown, int barWidth,
                    const std::string& detail) {
  const int filled = static_cast<int>(shown / 100.0 * barWidth);
  // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict inside std::string for
  // a literal prepended to a temporary ("[" + std::string(...)).
  std::string line;
  if (!title.empty()) line.append(title).append(" ");
  line.append("[").append(filled, '#').append(barWidth - filled, '-').append("] ");
  line.append(std::to_string(static_cast<int>(shown))).append("%");
  if (!text.empty()) line.append("  ").append(text);
  if (!detail.empty()) line.append("  ").append(detail);
  return line;
}
}  // namespace

TermProgressWindow::TermProgressWindow(FILE* out)
    : out_(out), terminal_(isatty(fileno(out))), dumb_([] {
        const char* term = std::getenv("TERM");
        return !term || std::strcmp(term, "dumb") == 0;
      }()) {}

TermProgressWindow::~TermProgressWindow() { close(); }

std::string TermProgressWindow::renderLine(const std::string& title, const std::string& text,
                                           double percent, const std::string& detail, int columns) {
  const double shown = std::clamp(percent, 0.0, 100.0);
  const int room = columns - 1;
  const struct {
    std::string title, text, detail;
  } choices[] = {{title, text, detail}, {"", text, detail}, {"", "", detail}};
  for (const auto& choice : choices) {
    const int rest = displayWidth(compose(choice.title, choice.text, shown, 0, choice.detail));
    const int bar = std::min(kBarWidth, room - rest);
    if (bar >= kNarrowestBar) return compose(choice.title, choice.text, shown, bar, choice.detail);
  }
  const int rest = displayWidth(compose("", "", shown, 0, ""));
  return fitWidth(compose("", "", shown, std::clamp(room - rest, 0, kBarWidth), ""), room).first;
}

void TermProgressWindow::setText(const std::string& text) {
  text_ = text;
  draw();
}

void TermProgressWindow::setProgress(double percent) {
  percent_ = percent;
  draw();
}

void TermProgressWindow::setTransferred(std::int64_t received, std::int64_t expected) {
  if (detail_.update(received, expected, TransferDetail::Clock::now())) draw();
}

void TermProgressWindow::makeKeyAndOrderFront() {
  if (!shown_) {
    shown_ = true;
    drawn_.clear();
    printedTenth_ = -1;
    columns_ = columns();
    if (terminal_ && !dumb_) resizeWatch_ = g_unix_signal_add(SIGWINCH, &onResize, this);
  }
  draw();
}

void TermProgressWindow::close() {
  if (!shown_) return;
  shown_ = false;
  if (resizeWatch_) g_source_remove(resizeWatch_);
  resizeWatch_ = 0;
  if (terminal_ && !dumb_) {
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
  }
}

int TermProgressWindow::onResize(void* self) {
  auto* window = static_cast<TermProgressWindow*>(self);
  window->columns_ = window->columns();
  window->drawn_.clear();
  window->draw();
  return G_SOURCE_CONTINUE;
}

int TermProgressWindow::columns() const {
  winsize size{};
  if (ioctl(fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void TermProgressWindow::draw() {
  if (!shown_ || !terminal_) return;
  if (dumb_) {
    // No cursor control: a new line now and then, never a flood.
    const int tenth = static_cast<int>(std::clamp(percent_, 0.0, 100.0)) / 10;
    if (tenth == printedTenth_) return;
    printedTenth_ = tenth;
    std::fprintf(out_, "%s\n",
                 renderLine(title_, text_, percent_, detail_.text(), columns_).c_str());
    std::fflush(out_);
    return;
  }
  const std::string line = renderLine(title_, text_, percent_, detail_.text(), columns_);
  if (line == drawn_) return;
  drawn_ = line;
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
}

}  // namespace platform::ui
