#include "TermErrorDialogWindow.h"

#include <unistd.h>

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
  if (!isatty(fileno(in))) return;
  std::fprintf(out, "[%s] ", buttonTitle.c_str());
  std::fflush(out);
  for (int c = std::fgetc(in); c != EOF && c != '\n'; c = std::fgetc(in)) {
  }
}

}  // namespace platform::ui
