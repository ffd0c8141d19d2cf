// SPDX-License-Identifier: GPL-3.0-or-later
// Line layout against fixed metrics: every character 10 pixels wide, a space
// 5, ascent 12 and descent 4 at 10 points (scaled with the size), 96 dpi.
#include "doc_builder.h"
#include "table_rtf.h"

#include <richtext/editor.h>
#include <richtext/layout.h>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;
using testing::Text;

using testing::FixedMetrics;

struct Fixture {
  Doc d;
  FixedMetrics metrics;
  TLayout layout{d.doc, metrics};
  Fixture() { layout.SetWrapWidth(201); }  // 200 pixels after the 1-pixel left offset

  // The lines of paragraph i as their texts.
  std::vector<std::u32string> Lines(size_t i) {
    std::vector<std::u32string> out;
    for (const TDisplayLine& l : layout.Paragraph(i).lines) {
      out.push_back(d.doc.Par(i).text.substr(l.start, l.length));
    }
    return out;
  }
};

TEST(Layout, WrapsAtSpacesAndSplitsOverlongWords) {
  struct Case {
    std::u32string text;
    std::vector<std::u32string> lines;
  } cases[] = {
      {U"short", {U"short"}},
      // 20 letters fill 200 pixels: the 20th would reach the width, so it wraps.
      {U"aaaaaaaaaa bbbbbbbbbb", {U"aaaaaaaaaa ", U"bbbbbbbbbb"}},
      {U"aaaaaaaaaaaaaaaaaaaaaaaaa", {U"aaaaaaaaaaaaaaaaaaa", U"aaaaaa"}},  // split where it overflows
      {U"aaaaaaaaaaaaaaaaaa       ", {U"aaaaaaaaaaaaaaaaaa       "}},         // spaces never wrap
      {U"ab\ncd", {U"ab\n", U"cd"}},
      {U"a bbbbbbbbbbbbbbbbbbbbbbb", {U"a bbbbbbbbbbbbbbbbbb", U"bbbbb"}},  // a space among the first two does not count
      {U"", {U""}},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.d.Para(0, c.text);
    EXPECT_EQ(f.Lines(0), c.lines) << ToUtf8(c.text);
  }
}

TEST(Layout, TabsLandOnStopsOrOnThirdsOfAnInch) {
  Fixture f;
  f.d.Para(0, U"a\tb\tc");
  const TDisplayLine& l = f.layout.Paragraph(0).lines[0];
  // No stops: multiples of 32 pixels (a third of an inch at 96 dpi), measured
  // from the text area: "a" ends at 1 + 10, the tab goes to 32, "b" to 42, then 64, "c" 74.
  EXPECT_EQ(l.left, 1);
  EXPECT_EQ(l.width, 74 - 1);

  f.d.doc.Header().AddTab(1440, tkLeft);  // 96 pixels
  uint64_t left = f.d.doc.Header().scratchMask;
  f.d.doc.Header().AddTab(2880, tkRight);  // 192 pixels
  f.d.doc.MutablePar(0).tabSet = left | f.d.doc.Header().scratchMask;
  f.d.doc.Touch(0);
  // "a" to 11, tab to 96, "b" to 106, right tab: "c" ends at 192.
  EXPECT_EQ(f.layout.Paragraph(0).lines[0].width, 192 - 1);
}

TEST(Layout, JustifiesAllButTheLastLine) {
  Fixture f;
  TParagraph& p = f.d.Para(0, U"aa bb cc dd ee ff gg hh ii");
  p.alignment = alJustify;
  f.d.doc.Touch(0);
  const TParagraphLayout& pl = f.layout.Paragraph(0);
  ASSERT_EQ(pl.lines.size(), 2u);
  const TDisplayLine& l = pl.lines[0];  // "aa bb cc dd ee ff gg hh ": 8 spaces, 200 px
  EXPECT_EQ(l.width, 200);
  EXPECT_EQ(l.stretched, 7);             // every space but the last
  int w = 8 * 5 + 200 - 200 - 6;         // the spaces' own widths and the room left, less 6
  EXPECT_EQ(l.gap, w / 7);
  EXPECT_EQ(l.extra, w % 7);
  EXPECT_EQ(pl.lines[1].stretched, 0);  // the last line keeps its spacing
}

TEST(Layout, LineHeightsWithSpacing) {
  Fixture f;
  TParagraph& p = f.d.Para(0, U"x");
  EXPECT_EQ(f.layout.Paragraph(0).lines[0].height, 16);
  EXPECT_EQ(f.layout.Paragraph(0).lines[0].ascent, 12);
  p.lineSpacing = -240;  // exactly 16 pixels
  p.spaceBefore = 150;   // 10 pixels
  p.spaceAfter = 300;    // 20 pixels
  TAttr big = Doc::Plain();
  big.size = 20;
  f.d.doc.SetParagraphText(0, U"x", &big);  // 32 high, ascent 24
  const TDisplayLine& l = f.layout.Paragraph(0).lines[0];
  EXPECT_EQ(l.height, 16 + 10 + 20);
  EXPECT_EQ(l.ascent, 24 - 8 + 10);
  p.lineSpacing = 720;  // at least 48 pixels
  f.d.doc.Touch(0);
  EXPECT_EQ(f.layout.Paragraph(0).lines[0].height, 48 + 10 + 20);
  EXPECT_EQ(f.layout.Paragraph(0).lines[0].ascent, 24 + 8 + 10);
}

TEST(Layout, IndentsHiddenTextAndObjects) {
  Fixture f;
  f.layout.SetWrapWidth(400);
  TParagraph& p = f.d.Para(0, U"aaaa");
  p.firstIndent = 1440;  // 96 pixels
  p.leftIndent = 720;
  p.rightIndent = 720;
  f.d.Add(0, U"hidden", Doc::With(afHidden));
  auto pic = std::make_shared<TPicture>();
  TTextObject* o = f.d.doc.AddObject(pic, 0);
  o->width = 1500;  // 100 pixels
  o->height = 600;  // 40 pixels
  TAttr oa = Doc::With(afObject);
  oa.id = o->id;
  f.d.Add(0, U"\x02", oa);
  const TParagraphLayout& pl = f.layout.Paragraph(0);
  EXPECT_EQ(pl.lines[0].left, 97);
  EXPECT_EQ(pl.lines[0].right, 48);
  EXPECT_EQ(pl.widths[4], 0);        // hidden text takes no room
  EXPECT_EQ(pl.widths[10], 100);
  EXPECT_EQ(pl.lines[0].height, 44);  // the picture on the baseline, plus the descent
  EXPECT_EQ(pl.lines[0].ascent, 40);
  EXPECT_TRUE(o->inUse);
  f.layout.options.showHiddenText = true;
  f.layout.Invalidate();
  EXPECT_EQ(f.layout.Paragraph(0).widths[4], 10);
}

TEST(Layout, ZoomScalesFontsAndIndents) {
  Fixture f;
  TParagraph& p = f.d.Para(0, U"ab");
  p.firstIndent = 1440;
  f.layout.SetZoom(200);
  const TParagraphLayout& pl = f.layout.Paragraph(0);
  EXPECT_EQ(pl.widths[0], 20);
  EXPECT_EQ(pl.lines[0].left, 193);
  EXPECT_EQ(pl.lines[0].height, 32);
}

TEST(Layout, AnEditLaysOutOnlyItsParagraph) {
  Fixture f;
  for (size_t i = 0; i < 500; ++i) f.d.Para(i, U"some words of the diary");  // two lines
  int64_t total = f.layout.TotalHeight();
  EXPECT_EQ(total, 500 * 32);  // two lines of 16 each
  EXPECT_EQ(f.layout.ParagraphAt(0), 0u);
  EXPECT_EQ(f.layout.ParagraphAt(32 * 250 + 5), 250u);

  f.layout.layoutCount = 0;
  f.d.doc.InsertChar(250, 'x', 3);
  EXPECT_EQ(f.layout.TotalHeight(), total);
  EXPECT_EQ(f.layout.layoutCount, 1u);
  EXPECT_EQ(f.layout.ParagraphTop(300), 300 * 32);

  f.layout.layoutCount = 0;
  f.d.doc.SplitParagraph(100, 0);  // a new empty paragraph of one line
  EXPECT_EQ(f.layout.TotalHeight(), total + 16);
  EXPECT_LE(f.layout.layoutCount, 3u);
  f.d.doc.RemoveParagraphs(0, 10);
  EXPECT_EQ(f.layout.TotalHeight(), total + 16 - 10 * 32);
}

// A long document holds the layouts of the paragraphs shown, not of every
// paragraph measured for its height or its page.
TEST(Layout, ShortParagraphsMeasuredForTheirHeightsHoldNoLayout) {
  Fixture f;
  constexpr size_t kCount = 20000;
  f.d.Para(kCount - 1, U"");
  f.d.Para(7, U"some words of the diary");  // two lines: kept, to be mended
  EXPECT_EQ(f.layout.TotalHeight(), int64_t(kCount + 1) * 16);
  EXPECT_EQ(f.layout.ParagraphAt(16 * 5000 + 3), 4999u);
  f.layout.Paginate(16 * 50);
  EXPECT_LE(f.layout.LayoutsHeld(), 2u);
  f.layout.layoutCount = 0;
  EXPECT_EQ(f.layout.Paragraph(9000).lines.size(), 1u);  // laid out again when asked for
  EXPECT_EQ(f.layout.layoutCount, 1u);
  EXPECT_EQ(f.layout.ParagraphTop(kCount - 1), int64_t(kCount) * 16);  // the heights stay known
  EXPECT_EQ(f.layout.layoutCount, 1u);
}

// Edits of a long paragraph through the editor: the lines re-wrapped are
// counted, and the mended layout is compared with one laid out anew.
TEST(Layout, AnEditOfALongParagraphRewrapsOnlyTheLinesThatChange) {
  // Words of varied length, about 4,000 of them: some 1,500 lines of 200 pixels.
  std::u32string text;
  const char32_t* words[] = {U"a", U"diary", U"walked", U"by", U"the", U"riverside", U"light"};
  uint32_t seed = 1;
  while (text.size() < 24000) {
    seed = seed * 1103515245u + 12345u;
    text += std::u32string(words[(seed >> 16) % 7]) + U" ";
  }
  struct Case {
    const char* name;
    size_t at, remove;
    std::u32string insert;
    size_t mostLines;  // re-wrapped at most
  } cases[] = {
      {"a letter in the middle", 12000, 0, U"x", 3},
      {"a space in the middle", 12001, 0, U" ", 3},
      {"a letter removed", 12003, 1, U"", 3},
      // Longer edits push words along until a break meets an old one: a few
      // lines more, never the whole paragraph of some 1,500.
      {"a word's worth", 12000, 0, U"wonderful", 16},
      {"two lines' worth removed", 11950, 60, U"", 16},
      {"a line break", 12000, 0, U"\n", 8},
      {"at the start", 0, 0, U"x", 3},
      {"at the end", text.size(), 0, U"x", 2},
      {"the last letter removed", text.size() - 2, 1, U"", 2},
      {"many spaces", 12000, 0, U"                                   ", 16},
  };
  for (const Case& c : cases) {
    for (uint8_t alignment : {alLeft, alJustify}) {
      Fixture f;
      f.d.Para(0, text).alignment = alignment;
      f.d.Para(1, U"after");
      f.layout.TotalHeight();
      TEditor ed(f.d.doc);
      f.layout.rewrapCount = 0;
      f.layout.layoutCount = 0;
      ed.Replace({0, c.at}, {0, c.at + c.remove}, ed.TextFragment(c.insert, Doc::Plain()));
      const TParagraphLayout& mended = f.layout.Paragraph(0);
      EXPECT_LE(f.layout.rewrapCount, c.mostLines) << c.name << " " << int(alignment);
      EXPECT_EQ(f.layout.layoutCount, 1u) << c.name;

      FixedMetrics metrics;
      TLayout fresh(f.d.doc, metrics);
      fresh.SetWrapWidth(201);
      const TParagraphLayout& whole = fresh.Paragraph(0);
      ASSERT_EQ(mended.lines.size(), whole.lines.size()) << c.name;
      for (size_t li = 0; li < whole.lines.size(); ++li) {
        const TDisplayLine &a = mended.lines[li], &b = whole.lines[li];
        ASSERT_TRUE(a.start == b.start && a.length == b.length && a.top == b.top && a.height == b.height &&
                    a.width == b.width && a.gap == b.gap && a.extra == b.extra && a.left == b.left)
            << c.name << ": line " << li;
      }
      EXPECT_EQ(mended.widths, whole.widths) << c.name;
      EXPECT_EQ(f.layout.ParagraphTop(1), int64_t(whole.height)) << c.name;
    }
  }
}

TEST(Layout, TableRowsStandSideBySideAsTallAsTheirTallestCell) {
  Fixture f;
  f.layout.SetWrapWidth(600);
  testing::LoadRtf(f.d.doc, testing::kLibreOfficeTable);
  ASSERT_EQ(Text(f.d.doc), "Before the table.|Name|Place|Time|Anna|Lisbon\nPorto\nFaro|June|After the table.");
  TLayout& l = f.layout;
  // Each row's cells share its top and stand left to right.
  for (size_t first : {size_t(1), size_t(4)}) {
    EXPECT_EQ(l.RowFirst(first + 2), first);
    EXPECT_EQ(l.RowLast(first), first + 2);
    int previousLeft = -1;
    for (size_t k = first; k < first + 3; ++k) {
      EXPECT_EQ(l.ParagraphTop(k), l.ParagraphTop(first)) << k;
      int left = l.Paragraph(k).lines[0].left;
      if (previousLeft >= 0) {
        EXPECT_GT(left, previousLeft + 150) << k;  // about a third of 600 pixels apart
      }
      previousLeft = left;
    }
  }
  // The row is as tall as its tallest cell: three lines of 12 points.
  int line = l.Paragraph(1).contentHeight;
  EXPECT_EQ(l.Paragraph(5).contentHeight, 3 * line);
  EXPECT_EQ(l.Paragraph(4).rowHeight, 3 * line);
  EXPECT_EQ(l.ParagraphTop(4), l.ParagraphTop(1) + line);
  EXPECT_EQ(l.ParagraphTop(7), l.ParagraphTop(4) + 3 * line);
  EXPECT_EQ(l.TotalHeight(), l.ParagraphTop(7) + l.Paragraph(7).height);
  // Hit tests find the cell under x; a row is never split between pages.
  EXPECT_EQ(l.CellAt(4, 10), 4u);
  EXPECT_EQ(l.CellAt(4, 300), 5u);
  EXPECT_EQ(l.CellAt(4, 590), 6u);
  EXPECT_EQ(l.ParagraphAt(l.ParagraphTop(4) + 2 * line), 6u);  // the row's last cell carries its height
  std::vector<TPageStart> pages = l.Paginate(3 * line);
  ASSERT_GE(pages.size(), 3u);
  EXPECT_EQ(pages[1].par, 4u);
  EXPECT_EQ(pages[1].line, 0u);
  EXPECT_EQ(pages[2].par, 7u);

  // Typing into a short cell leaves the row as tall; a fourth line in the tall one grows it.
  f.d.doc.InsertTextAt(4, 4, U"\nx", nullptr);
  f.d.doc.Touch(4);
  EXPECT_EQ(l.Paragraph(6).rowHeight, 3 * line);
  f.d.doc.InsertTextAt(5, 0, U"\n", nullptr);
  f.d.doc.Touch(5);
  EXPECT_GT(l.Paragraph(5).contentHeight, 3 * line);
  EXPECT_EQ(l.ParagraphTop(7), l.ParagraphTop(4) + l.Paragraph(5).contentHeight);
}

// The same as LibreOffice Writer 7.4 saved it from a table of ours: three
// rows of three columns of 4, 8 and 5 cm, a cell of two paragraphs.
TEST(Layout, ALibreOfficeMadeTableIsAGrid) {
  Fixture f;
  f.layout.SetWrapWidth(680);
  testing::LoadRtf(f.d.doc, testing::RtfFixture("lo-table.rtf"));
  ASSERT_EQ(Text(f.d.doc),
            "Walks this week.|Day|Route|Weather|Monday|Along the river\nback by the mill|Rain|"
            "Tuesday|Hill path|Sun|Legs are tired.|");  // the closing \par leaves an empty paragraph
  TLayout& l = f.layout;
  int line = l.Paragraph(0).contentHeight;
  for (size_t first : {size_t(1), size_t(4), size_t(7)}) {
    EXPECT_EQ(l.RowFirst(first + 2), first);
    EXPECT_EQ(l.RowLast(first), first + 2);
    for (size_t c = 0; c < 3; ++c) {
      size_t k = first + c;
      EXPECT_EQ(l.ParagraphTop(k), l.ParagraphTop(first)) << k;
      // The columns stand at 0, 4 and 12 of 17 cm, the same in every row.
      int left = l.Paragraph(k).lines[0].left, expect[] = {0, 160, 480};
      EXPECT_NEAR(left, expect[c], 6) << k;
    }
  }
  EXPECT_EQ(l.Paragraph(5).contentHeight, 2 * line);  // the two paragraphs of one cell
  EXPECT_EQ(l.Paragraph(4).rowHeight, 2 * line);
  EXPECT_EQ(l.Paragraph(7).rowHeight, line);
  EXPECT_EQ(l.ParagraphTop(1), l.ParagraphTop(0) + line);
  EXPECT_EQ(l.ParagraphTop(4), l.ParagraphTop(1) + line);
  EXPECT_EQ(l.ParagraphTop(7), l.ParagraphTop(4) + 2 * line);
  EXPECT_EQ(l.ParagraphTop(10), l.ParagraphTop(7) + line);
  EXPECT_EQ(l.CellAt(4, 100), 4u);
  EXPECT_EQ(l.CellAt(4, 300), 5u);
  EXPECT_EQ(l.CellAt(4, 600), 6u);
}

}  // namespace
}  // namespace richtext

