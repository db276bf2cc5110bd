#include "TermErrorDialogWindow.h"

#include <glib-unix.h>
#include <unistd.h>

#include <cstring>

#include "platform/RunLoop.h"

namespace platform::ui {

std::string TermErrorDialogWindow::render(const std::string& title, const AttributedText& text) {
  std::string out = title + "\n";
  for (const TextRun& run : text) {
    out += run.text;
    if (run.link) out += " <" + *run.link + ">";
  }
  return out + "\n";
}

void TermErrorDialogWindow::runModal() {
  std::fputs(render(title_, text_).c_str(), out_);
  std::fflush(out_);
  waitForEnterIfInteractive(out_, in_, okTitle_);
  if (ok_) ok_();
}

void waitForEnterIfInteractive(FILE* out, FILE* in, const std::string& buttonTitle) {
  if (!isatty(fileno(in)) || !isatty(fileno(out))) return;
  std::fprintf(out, "[%s] ", buttonTitle.c_str());
  std::fflush(out);
  bool entered = false;
  GMainContext* context = RunLoop::main().context();
  GSource* source =
      g_unix_fd_source_new(fileno(in), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
  g_source_set_callback(
      source, G_SOURCE_FUNC(+[](gint fd, GIOCondition, gpointer done) -> gboolean {
        // A terminal in line mode is readable once a whole line (or the end) is there.
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        const bool end = n <= 0 || std::memchr(buffer, '\n', static_cast<std::size_t>(n));
        if (end) *static_cast<bool*>(done) = true;
        return end ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
      }),
      &entered, nullptr);
  g_source_attach(source, context);
  g_source_unref(source);
  RunLoop::main().runUntil([&] { return entered; });
}

}  // namespace platform::ui
