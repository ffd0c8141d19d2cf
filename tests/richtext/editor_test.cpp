// SPDX-License-Identifier: GPL-3.0-or-later
#include "doc_builder.h"

#include <richtext/editor.h>

#include <gtest/gtest.h>

#include <random>

namespace richtext {
namespace {

using testing::Doc;
using testing::Text;

struct Fixture {
  Doc d;
  TEditor ed{d.doc};
  int changes = 0;
  Fixture() { ed.OnChange = [this] { ++changes; }; }
  void Type(const std::u32string& s) {
    for (TChar c : s) {
      if (c == '\n') {
        ed.Enter();
      } else {
        ed.InsertText(TString(1, c));
      }
    }
  }
};

TEST(Editor, TypingSplittingAndJoining) {
  Fixture f;
  f.Type(U"Dear diary\nToday");
  EXPECT_EQ(Text(f.d.doc), "Dear diary|Today");
  EXPECT_EQ(f.ed.caret, (TPosition{1, 5}));
  f.ed.MoveTo({1, 0}, false);
  f.ed.Backspace();  // joins the paragraphs
  EXPECT_EQ(Text(f.d.doc), "Dear diaryToday");
  EXPECT_EQ(f.ed.caret, (TPosition{0, 10}));
  f.ed.Delete();
  EXPECT_EQ(Text(f.d.doc), "Dear diaryoday");
  f.ed.MoveTo({0, 0}, false);
  f.ed.Backspace();  // nothing before the start
  EXPECT_EQ(Text(f.d.doc), "Dear diaryoday");
  EXPECT_GT(f.changes, 0);
}

TEST(Editor, UndoTypingAWordAtATimeAndRedo) {
  Fixture f;
  f.Type(U"one two");
  f.ed.Undo();
  EXPECT_EQ(Text(f.d.doc), "one");
  f.ed.Undo();
  EXPECT_EQ(Text(f.d.doc), "");
  EXPECT_FALSE(f.ed.CanUndo());
  f.ed.Redo();
  f.ed.Redo();
  EXPECT_EQ(Text(f.d.doc), "one two");
  EXPECT_EQ(f.ed.caret, (TPosition{0, 7}));
}

TEST(Editor, DeletingAcrossParagraphsUndoesWithTheirProperties) {
  Fixture f;
  f.d.Para(0, U"first");
  f.d.Para(1, U"second").alignment = alCenter;
  f.d.Para(2, U"third").leftIndent = 720;
  f.ed.anchor = {0, 2};
  f.ed.caret = {2, 3};
  f.ed.DeleteSelection();
  EXPECT_EQ(Text(f.d.doc), "fird");
  f.ed.Undo();
  EXPECT_EQ(Text(f.d.doc), "first|second|third");
  EXPECT_EQ(f.d.doc.Par(1).alignment, alCenter);
  EXPECT_EQ(f.d.doc.Par(2).leftIndent, 720);
  EXPECT_EQ(f.ed.SelStart(), (TPosition{0, 2}));
  EXPECT_EQ(f.ed.SelEnd(), (TPosition{2, 3}));
}

TEST(Editor, AttributeAndParagraphChangesUndo) {
  Fixture f;
  f.d.Para(0, U"plain text");
  f.ed.anchor = {0, 0};
  f.ed.caret = {0, 5};
  f.ed.ChangeAttributes([](TAttr& a) { a.flags |= afBold; });
  EXPECT_EQ(f.d.doc.CharAttr(f.d.doc.Par(0), 4).flags, afBold);
  EXPECT_EQ(f.d.doc.CharAttr(f.d.doc.Par(0), 5).flags, 0u);
  EXPECT_EQ(f.ed.SelEnd(), (TPosition{0, 5}));  // the selection stays
  f.ed.ChangeParagraphs([](TParagraphProps& p) { p.alignment = alRight; });
  EXPECT_EQ(f.d.doc.Par(0).alignment, alRight);
  f.ed.Undo();
  EXPECT_EQ(f.d.doc.Par(0).alignment, alLeft);
  f.ed.Undo();
  EXPECT_EQ(f.d.doc.CharAttr(f.d.doc.Par(0), 4).flags, 0u);
}

TEST(Editor, EnterPageBreakAndGroups) {
  Fixture f;
  f.d.Para(0, U"abcd").flags = pfPageBreak;
  f.ed.MoveTo({0, 2}, false);
  f.ed.Enter();
  EXPECT_EQ(Text(f.d.doc), "ab|cd");
  EXPECT_FALSE(f.d.doc.Par(1).flags & pfPageBreak);  // the page break stays with the first part
  f.ed.MoveTo({1, 1}, false);
  f.ed.PageBreak();  // in the middle: a new paragraph that starts a page
  EXPECT_EQ(Text(f.d.doc), "ab|c|d");
  EXPECT_TRUE(f.d.doc.Par(2).flags & pfPageBreak);
  f.ed.Undo();  // the split and the flag are one step
  EXPECT_EQ(Text(f.d.doc), "ab|cd");
  f.ed.MoveTo({1, 0}, false);
  f.ed.PageBreak();  // at a paragraph start: the flag switches
  EXPECT_TRUE(f.d.doc.Par(1).flags & pfPageBreak);
  f.ed.PageBreak();
  EXPECT_FALSE(f.d.doc.Par(1).flags & pfPageBreak);
}

TEST(Editor, TheInsertionAttributeFollowsTheCaret) {
  Fixture f;
  TAttr bold = Doc::With(afBold), italic = Doc::With(afItalic), plain = Doc::Plain();
  plain.size = 14;
  f.d.Para(0, U"ab", bold);
  f.d.Add(0, U"cd", italic);
  f.d.Para(1, U"");
  f.d.Para(2, U"ef", plain);
  TAttr picture = Doc::With(afObject | afItalic);
  picture.id = 7;
  f.d.Add(2, U"\x02", picture);
  struct Case {
    TPosition at;
    TAttr expected;
  } cases[] = {
      {{0, 0}, bold},    // a paragraph start: its first character
      {{0, 2}, bold},    // the character before the caret
      {{0, 3}, italic},
      {{1, 0}, italic},  // an empty paragraph: the previous paragraph's end
      {{2, 1}, plain},
      {{2, 3}, Doc::With(afItalic)},  // after a picture: its look, not the picture
  };
  for (const Case& c : cases) {
    f.ed.MoveTo({2, 1}, false);
    f.d.doc.insertionAttr = Doc::With(afStrikeOut);
    f.ed.MoveTo(c.at, false);
    EXPECT_EQ(f.d.doc.insertionAttr, c.expected) << c.at.par << "," << c.at.offset;
    f.ed.InsertText(U"x");
    EXPECT_EQ(f.d.doc.CharAttr(f.d.doc.Par(c.at.par), c.at.offset), c.expected);
    f.ed.Undo();
  }
  // Undo and word moves follow too.
  f.ed.MoveTo({0, 4}, false);
  f.ed.WordLeft(false);
  EXPECT_EQ(f.d.doc.insertionAttr, bold);
}

TEST(Editor, ReadOnlyChangesNothing) {
  Fixture f;
  f.d.Para(0, U"keep");
  f.ed.readOnly = true;
  f.ed.SelectAll();
  f.ed.InsertText(U"x");
  f.ed.DeleteSelection();
  f.ed.Backspace();
  f.ed.Enter();
  EXPECT_EQ(Text(f.d.doc), "keep");
  EXPECT_EQ(f.changes, 0);
}

TEST(Editor, WordsAndAbsolutePositions) {
  Fixture f;
  f.d.Para(0, U"ab cd");
  f.d.Para(1, U"ef");
  EXPECT_EQ(f.ed.Absolute({1, 1}), 7u);
  EXPECT_EQ(f.ed.FromAbsolute(7), (TPosition{1, 1}));
  f.ed.SelectAll();
  EXPECT_EQ(f.ed.Absolute(f.ed.SelEnd()) - f.ed.Absolute(f.ed.SelStart()), 8u);
  f.ed.MoveTo({0, 0}, false);
  f.ed.WordRight(false);
  EXPECT_EQ(f.ed.caret, (TPosition{0, 3}));
  f.ed.SelectWordAt({0, 4});
  EXPECT_EQ(f.ed.SelStart(), (TPosition{0, 3}));
  EXPECT_EQ(f.ed.SelEnd(), (TPosition{0, 5}));
}

// The whole document, text, attributes and properties, as one string.
std::string Snapshot(const TRTFText& doc) {
  std::string s;
  for (size_t i = 0; i < doc.Size(); ++i) {
    const TParagraph& p = doc.Par(i);
    s += "[" + std::to_string(p.alignment) + "," + std::to_string(p.leftIndent) + "," +
         std::to_string(p.flags) + "]" + ToUtf8(p.text) + "{";
    for (size_t k = 0; k < p.Length(); ++k) s += std::to_string(doc.CharAttr(p, k).flags) + ",";
    s += "}\n";
  }
  return s;
}

TEST(Editor, RandomEditsUndoToTheStartAndRedoToTheEnd) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return size_t(rng() % std::max<size_t>(n, 1)); };
    Fixture f;
    f.Type(U"Dear diary\nthe first day\nof snow");
    f.ed.ClearHistory();
    std::string start = Snapshot(f.d.doc);
    auto somewhere = [&] {
      size_t par = pick(f.d.doc.Size());
      return TPosition{par, pick(f.d.doc.Par(par).Length() + 1)};
    };
    for (int step = 0; step < 60; ++step) {
      f.ed.MoveTo(somewhere(), false);
      if (rng() % 3 == 0) f.ed.MoveTo(somewhere(), true);
      switch (pick(8)) {
        case 0: f.ed.InsertText(U"w"); break;
        case 1: f.ed.InsertText(U" "); break;
        case 2: f.ed.Enter(); break;
        case 3: f.ed.Backspace(); break;
        case 4: f.ed.Delete(); break;
        case 5: f.ed.ChangeAttributes([](TAttr& a) { a.flags ^= afItalic; }); break;
        case 6: f.ed.ChangeParagraphs([](TParagraphProps& p) { p.leftIndent += 144; }); break;
        case 7: f.ed.PageBreak(); break;
      }
    }
    std::string end = Snapshot(f.d.doc);
    while (f.ed.CanUndo()) f.ed.Undo();
    ASSERT_EQ(Snapshot(f.d.doc), start) << "seed " << seed;
    while (f.ed.CanRedo()) f.ed.Redo();
    ASSERT_EQ(Snapshot(f.d.doc), end) << "seed " << seed;
  }
}

}  // namespace
}  // namespace richtext
