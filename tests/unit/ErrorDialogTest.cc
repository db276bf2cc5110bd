#include <gtest/gtest.h>

#include <string>

#include "Moorstep/ErrorDialogController.h"
#include "platform/ui/term/TermErrorDialogWindow.h"

namespace {
using moorstep::parseLinkMarkup;
using platform::ui::AttributedText;
using platform::ui::TextRun;

TEST(LinkMarkup, LinksBecomeRunsAndIncompleteMarkupStaysPlain) {
  EXPECT_EQ(parseLinkMarkup("Please view the <a href='https://x/req'>system requirements</a> now."),
            (AttributedText{{"Please view the ", std::nullopt},
                            {"system requirements", "https://x/req"},
                            {" now.", std::nullopt}}));
  EXPECT_EQ(parseLinkMarkup("<a href='a'>A</a> and <a href='b'>B</a>"),
            (AttributedText{{"A", "a"}, {" and ", std::nullopt}, {"B", "b"}}));
  EXPECT_EQ(parseLinkMarkup("plain"), (AttributedText{{"plain", std::nullopt}}));
  EXPECT_EQ(parseLinkMarkup(""), AttributedText{});
  EXPECT_EQ(parseLinkMarkup("x <a href='a'>no end"),
            (AttributedText{{"x <a href='a'>no end", std::nullopt}}));
  EXPECT_EQ(parseLinkMarkup("<a href='a' no middle</a>"),
            (AttributedText{{"<a href='a' no middle</a>", std::nullopt}}));
  EXPECT_EQ(parseLinkMarkup("<a href='a'>one <a href='b'>two</a> three"),
            (AttributedText{{"one <a href='b'>two", "a"}, {" three", std::nullopt}}))
      << "a second opening marker is part of the label";
  EXPECT_EQ(parseLinkMarkup("<A HREF='a'>up</A> <a href=\"b\">dq</a>"),
            (AttributedText{{"<A HREF='a'>up</A> <a href=\"b\">dq</a>", std::nullopt}}));
  EXPECT_EQ(
      parseLinkMarkup("ok <a href='a'>L</a> <a href='b'>broken"),
      (AttributedText{{"ok ", std::nullopt}, {"L", "a"}, {" <a href='b'>broken", std::nullopt}}));
  EXPECT_EQ(parseLinkMarkup("\xe2\x9c\x93<a href='\xc3\xa9'>\xc3\xa9</a>"),
            (AttributedText{{"\xe2\x9c\x93", std::nullopt}, {"\xc3\xa9", "\xc3\xa9"}}));
}

TEST(TermErrorDialog, WritesTheTitleThenTheTextWithEachLinksAddress) {
  EXPECT_EQ(platform::ui::TermErrorDialogWindow::render(
                "Install Sample", parseLinkMarkup("See <a href='https://x'>this</a>.")),
            "Install Sample\nSee this <https://x>.\n");
}

}  // namespace
