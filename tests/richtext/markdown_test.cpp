// SPDX-License-Identifier: GPL-3.0-or-later
// The Markdown writer: styles as marks, lists as list lines, and every
// character Markdown would take for markup escaped.
#include "doc_builder.h"

#include <richtext/markdown.h>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;

std::string Markdown(Doc& d) {
  TStringStream out;
  EXPECT_EQ(TMarkdownWriter(d.doc).Write(out), ioOk);
  return out.bytes;
}

TEST(Markdown, StylesBecomeMarksWithTheBlanksOutside) {
  Doc d;
  d.Para(0, U"Plain ");
  d.Add(0, U"bold ", Doc::With(afBold));
  d.Add(0, U"both", Doc::With(afBold | afItalic));
  d.Add(0, U" gone", Doc::With(afStrikeOut));
  d.Add(0, U" under", Doc::With(afUnderline));  // no Markdown for it: plain text
  EXPECT_EQ(Markdown(d), "Plain **bold** ***both*** ~~gone~~ under\n");
}

TEST(Markdown, EscapesWhatWouldBeMarkup) {
  struct Case {
    const char32_t* text;
    const char* written;
  } cases[] = {
      {U"2 * 3 = 6", "2 \\* 3 = 6\n"},
      {U"snake_case and `code` [link](x) <b> a|b ~x~ #tag & \\", 
       "snake\\_case and \\`code\\` \\[link\\](x) \\<b\\> a\\|b \\~x\\~ \\#tag \\& \\\\\n"},
      {U"- not a list", "\\- not a list\n"},
      {U"+ nor this", "\\+ nor this\n"},
      {U"1. nor this", "1\\. nor this\n"},
      {U"2024) either", "2024\\) either\n"},
      {U"= no heading", "\\= no heading\n"},
      {U"    not code", "&#32;&#32;&#32;&#32;not code\n"},
      {U"a - b 1. c", "a - b 1. c\n"},  // only a line's start is special
  };
  for (const Case& c : cases) {
    Doc d;
    d.Para(0, c.text);
    EXPECT_EQ(Markdown(d), c.written) << ToUtf8(c.text);
  }
}

TEST(Markdown, ListItemsParagraphsAndLineBreaks) {
  Doc d;
  d.Para(0, U"Shopping:");
  d.Para(1, U"bread");
  SetListProps(d.doc.MutablePar(1), lkBullet, 0, d.doc.Header());
  d.Para(2, U"- rye");
  SetListProps(d.doc.MutablePar(2), lkBullet, 1, d.doc.Header());
  d.Para(3, U"first");
  SetListProps(d.doc.MutablePar(3), lkNumber, 0, d.doc.Header());
  d.Para(4, U"second");
  SetListProps(d.doc.MutablePar(4), lkNumber, 0, d.doc.Header());
  d.Para(5, U"");
  d.Para(6, U"One\nTwo");  // a line break inside the paragraph
  EXPECT_EQ(Markdown(d),
            "Shopping:\n\n"
            "- bread\n"
            "    - \\- rye\n"
            "1. first\n"
            "2. second\n\n"
            "One\\\nTwo\n");
}

TEST(Markdown, HeadingEscapesTheDate) {
  EXPECT_EQ(MarkdownHeading("Monday, January 1, 2024"), "# Monday, January 1, 2024\n\n");
  EXPECT_EQ(MarkdownHeading("*1* <x>"), "# \\*1\\* \\<x\\>\n\n");
}

}  // namespace
}  // namespace richtext
