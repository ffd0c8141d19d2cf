// Line layout against fixed metrics: every character 10 pixels wide, a space
// 5, ascent 12 and descent 4 at 10 points (scaled with the size), 96 dpi.
#include "doc_builder.h"
#include "table_rtf.h"

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
  f.d.doc.Par(0).tabSet = left | f.d.doc.Header().scratchMask;
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
      if (previousLeft >= 0) EXPECT_GT(left, previousLeft + 150) << k;  // about a third of 600 pixels apart
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

}  // namespace
}  // namespace richtext

