// SPDX-License-Identifier: GPL-3.0-or-later
// Painting rules, recorded on a surface that notes every call.
#include "doc_builder.h"
#include "table_rtf.h"

#include <richtext/paint.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace richtext {
namespace {

using testing::Doc;

using testing::FixedMetrics;

struct Call {
  std::string what;
  TFontSpec font;
  int x = 0, y = 0, x2 = 0, y2 = 0, width = 0;
  std::u32string text;
  std::vector<int> advances;
  uint32_t color = 0;
};

class RecordingSurface : public TSurface {
 public:
  bool printer = false;
  std::vector<Call> calls;
  bool IsPrinter() const override { return printer; }
  uint32_t HighlightColor() const override { return 0x112233; }
  uint32_t HighlightTextColor() const override { return 0x445566; }
  void FillRect(int x, int y, int w, int h, uint32_t color) override {
    calls.push_back({"fill", {}, x, y, x + w, y + h, 0, {}, {}, color});
  }
  void DrawText(const TFontSpec& font, int x, int baseline, std::u32string_view text,
                const int* advances, uint32_t color) override {
    calls.push_back({"text", font, x, baseline, 0, 0, 0, std::u32string(text),
                     std::vector<int>(advances, advances + text.size()), color});
  }
  void Line(int x1, int y1, int x2, int y2, uint32_t color, int width, TPenStyle) override {
    calls.push_back({"line", {}, x1, y1, x2, y2, width, {}, {}, color});
  }
  bool DrawPicture(const TPicture&, int x, int y, int w, int h) override {
    calls.push_back({"picture", {}, x, y, x + w, y + h, 0, {}, {}, 0});
    return true;
  }
  void DrawLabel(int, int, int, int, const std::string&) override {}
  std::vector<Call> Of(const std::string& what) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.what == what) out.push_back(c);
    }
    return out;
  }
};

struct Fixture {
  Doc d;
  FixedMetrics metrics;
  TLayout layout{d.doc, metrics};
  TPainter painter{d.doc, layout};
  RecordingSurface surface;
  Fixture(int wrap = 2000) { layout.SetWrapWidth(wrap); }
  void Paint() {
    surface.calls.clear();
    painter.Paint(surface, 0, 0, 0, 10000);
  }
};

TEST(Paint, RunsAreCutAtAHundredCharacters) {
  Fixture f;
  f.d.Para(0, std::u32string(150, U'x'));
  f.Paint();
  std::vector<Call> texts = f.surface.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text.size(), 100u);
  EXPECT_EQ(texts[1].text.size(), 50u);
  EXPECT_EQ(texts[1].x, texts[0].x + 1000);
}

TEST(Paint, ListLabelsStandInTheFirstLineIndentBeforeTheText) {
  Fixture f(200);  // narrow: the second item wraps
  TAttr bold = Doc::With(afBold);
  f.d.Para(0, U"one", bold);
  f.d.Para(1, U"two two two two two two two");
  f.d.Para(2, U"deep");
  for (size_t i = 0; i < 3; ++i) SetListProps(f.d.doc.MutablePar(i), lkNumber, i == 2 ? 1 : 0, f.d.doc.Header());
  f.Paint();
  const int first = f.layout.TwipsX(f.d.doc.Par(0).firstIndent) + 1;
  const int left = f.layout.TwipsX(f.d.doc.Par(0).leftIndent) + 1;
  const int deeper = f.layout.TwipsX(f.d.doc.Par(2).firstIndent) + 1;
  std::vector<std::pair<std::u32string, int>> labels;
  int leftmostText = 1 << 30;
  for (const Call& c : f.surface.Of("text")) {
    if (c.text == U"1." || c.text == U"2.") {
      labels.push_back({c.text, c.x});
    } else {
      leftmostText = std::min(leftmostText, c.x);
    }
  }
  const std::vector<std::pair<std::u32string, int>> want = {{U"1.", first}, {U"2.", first}, {U"1.", deeper}};
  EXPECT_EQ(labels, want);
  // Every line of an item, its first too, starts at the left indent.
  EXPECT_EQ(leftmostText, left);
  EXPECT_GT(f.layout.Paragraph(1).lines.size(), 1u);
  // The label takes the look of its item's first character.
  EXPECT_TRUE(f.surface.Of("text")[1].font.bold);
}

TEST(Paint, SuperscriptAndSubscriptAreSmallerAndMoved) {
  Fixture f;
  TAttr a = Doc::Plain();
  a.size = 12;
  f.d.Para(0, U"x", a);
  a.flags = afSuperscript;
  f.d.Add(0, U"2", a);
  a.flags = afSubscript;
  f.d.Add(0, U"3", a);
  f.Paint();
  std::vector<Call> t = f.surface.Of("text");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].font.points, 12);
  EXPECT_EQ(t[1].font.points, 8);
  EXPECT_EQ(t[2].font.points, 8);
  int baseline = t[0].y;
  int ascent8 = 12 * 8 / 10;
  EXPECT_EQ(t[1].y, baseline - ascent8 / 3);
  EXPECT_EQ(t[2].y, baseline + ascent8 / 5);
}

TEST(Paint, SelectionUsesTheHighlightColoursOnScreenOnly) {
  Fixture f;
  f.d.Para(0, U"abcdef", Doc::With(0));
  f.d.doc.MutablePar(0).attrs.assign(6, f.d.doc.Intern([] {
    TAttr a = Doc::Plain();
    a.colors = 0x31;  // red text on blue
    return a;
  }()));
  f.painter.options.selStart = {0, 2};
  f.painter.options.selEnd = {0, 4};
  f.Paint();
  std::vector<Call> t = f.surface.Of("text");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[1].text, U"cd");
  EXPECT_EQ(t[1].color, 0x445566u);
  EXPECT_EQ(t[0].color, 0x0000FFu);
  f.surface.printer = true;
  f.Paint();
  EXPECT_EQ(f.surface.Of("text").size(), 1u);  // printing shows no selection
}

TEST(Paint, UnderlineZigzagAndPresets) {
  Fixture f;
  f.d.Para(0, U"mark", Doc::With(afWordMark));
  f.Paint();
  std::vector<Call> lines = f.surface.Of("line");
  int runX = f.surface.Of("text")[0].x;
  // Strokes from (x+2, baseline) to (x-1, baseline+2) every 3 pixels over 40 pixels.
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0].x, runX + 2);
  EXPECT_EQ(lines[0].x2, runX - 1);
  EXPECT_EQ(lines[0].y2, lines[0].y + 2);
  EXPECT_EQ(lines[0].color, 0x0000FFu);
  f.surface.printer = true;
  f.Paint();
  EXPECT_EQ(f.surface.Of("line").size(), 0u);  // no underline flag: nothing when printing

  Fixture g;
  TAttr link = Doc::With(afDoubleUnderline);
  link.colors = 2;
  g.d.Para(0, U"link", link);
  TAttr ip = Doc::With(afInsertPoint);
  g.d.Add(0, U"ip", ip);
  g.Paint();
  std::vector<Call> t = g.surface.Of("text");
  EXPECT_EQ(t[0].color, g.d.doc.Header().colors[2]);  // the hyperlink keeps its colour
  EXPECT_EQ(t[1].color, 0x0000FFu);                   // insertion points are red
  std::vector<Call> under = g.surface.Of("line");
  ASSERT_EQ(under.size(), 1u);
  EXPECT_EQ(under[0].color, 0xFF0000u);  // blue underline
  EXPECT_EQ(under[0].y, t[0].y + 1);
  EXPECT_EQ(under[0].width, 16 / 20 + 1);
}

TEST(Paint, ShadingPicksBackgroundOrPatternColour) {
  for (int percent : {50, 51}) {
    Fixture f;
    TParagraph& p = f.d.Para(0, U"x");
    p.shading = uint8_t(percent);
    p.shadeColors = 0x32;  // background 3, pattern 2
    f.Paint();
    uint32_t expect = f.d.doc.Header().colors[percent <= 50 ? 3 : 2];
    std::vector<Call> fills = f.surface.Of("fill");
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0].color, expect) << percent;
  }
}

// A foreign file's colour table of 20 colours: text in colour 17 and cells
// shaded with colour 18 show those colours, not black.
TEST(Paint, ColoursBeyondTheSixteenthAreShown) {
  Fixture f;
  std::string table = "{\\colortbl;";
  for (int i = 1; i < 20; ++i) table += "\\red" + std::to_string(i) + "\\green7\\blue9;";
  testing::LoadRtf(f.d.doc, "{\\rtf1 " + table + "}\\cf17 seventeen\\par"
                            "\\trowd\\clcbpat18\\cellx3000\\pard\\intbl cell\\cell\\row}");
  f.Paint();
  const TTextHeader& h = f.d.doc.Header();
  ASSERT_EQ(h.colors[17], 0x090711u);
  std::vector<Call> texts = f.surface.Of("text");
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].color, h.colors[17]);
  bool shaded = false;
  for (const Call& fill : f.surface.Of("fill")) shaded = shaded || fill.color == h.colors[18];
  EXPECT_TRUE(shaded);
}

TEST(Paint, JustifiedSpacesAndPageBreakMarker) {
  Fixture f(201);
  TParagraph& p = f.d.Para(0, U"aa bb cc dd ee ff gg hh ii");
  p.alignment = alJustify;
  p.flags = pfPageBreak;
  f.Paint();
  const TDisplayLine& line = f.layout.Paragraph(0).lines[0];
  std::vector<Call> t = f.surface.Of("text");
  ASSERT_FALSE(t.empty());
  // The first `extra` stretched spaces advance gap + 1, the others gap.
  EXPECT_EQ(t[0].advances[2], line.gap + (line.extra > 0 ? 1 : 0));
  std::vector<Call> lines = f.surface.Of("line");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].y, 0);  // the marker on the first line's top
}

TEST(Paint, AutomaticPageBreaksAreMarkedOnScreenOnly) {
  Fixture f;
  for (size_t i = 0; i < 5; ++i) f.d.Para(i, U"line");  // 16 pixels each
  f.painter.options.pageHeight = 32;
  f.Paint();
  std::vector<Call> lines = f.surface.Of("line");
  ASSERT_EQ(lines.size(), 2u);  // before the third and the fifth paragraph
  EXPECT_EQ(lines[0].y, 32);
  EXPECT_EQ(lines[1].y, 64);
  f.painter.options.showPageBreak = false;
  f.Paint();
  EXPECT_TRUE(f.surface.Of("line").empty());
  f.painter.options.showPageBreak = true;
  f.surface.printer = true;
  f.Paint();
  EXPECT_TRUE(f.surface.Of("line").empty());
}

TEST(Paint, TableCellsAreFramedAndShadedAcrossTheirRow) {
  Fixture f(600);
  testing::LoadRtf(f.d.doc, testing::kLibreOfficeTable);
  f.Paint();
  TLayout& l = f.layout;
  int rowTop = int(l.ParagraphTop(4)), rowHeight = l.Paragraph(4).rowHeight;
  ASSERT_GT(rowHeight, l.Paragraph(4).contentHeight);  // "Anna" is one line in a row of three
  // Each cell of the tall row has its left line from the row's top to its bottom.
  int verticals = 0, sharedBottoms = 0;
  for (const Call& c : f.surface.Of("line")) {
    if (c.x == c.x2 && c.y == rowTop && c.y2 == rowTop + rowHeight) ++verticals;
    if (c.y == c.y2 && c.y == rowTop + rowHeight) ++sharedBottoms;
  }
  EXPECT_EQ(verticals, 4);      // three left lines and the last cell's right one
  EXPECT_EQ(sharedBottoms, 3);  // one bottom line per cell, all on one row of pixels
  // The heading cells are shaded yellow over their whole cell, not the text alone.
  int shaded = 0;
  for (const Call& c : f.surface.Of("fill")) {
    if (c.color == 0x00FFFF && c.y == int(l.ParagraphTop(1)) && c.x2 - c.x >= 190) ++shaded;
  }
  EXPECT_EQ(shaded, 3);
  // Text of the cells of one row stands on one baseline, left to right.
  std::vector<Call> texts = f.surface.Of("text");
  std::vector<int> rowY, rowX;
  for (const Call& c : texts) {
    if (c.text == U"Anna" || c.text == U"Lisbon\x20" || c.text == U"June") {
      rowY.push_back(c.y);
      rowX.push_back(c.x);
    }
  }
  ASSERT_EQ(rowY.size(), 3u);
  EXPECT_EQ(rowY[0], rowY[1]);
  EXPECT_EQ(rowY[1], rowY[2]);
  EXPECT_LT(rowX[0], rowX[1]);
  EXPECT_LT(rowX[1], rowX[2]);
}

// Files LibreOffice Writer 7.4 made from documents of ours: each word in its
// own colour, from a colour table of 36 entries; backgrounds as \chcbpat.
TEST(Paint, ALibreOfficeColourfulFileKeepsEveryColourShownAndSaved) {
  struct Word {
    const char* text;
    uint32_t rgb;  // as written in the source document
    bool back;     // a background rather than a text colour
  } words[] = {
      {"red", 0xc0392b, false},     {"orange", 0xe67e22, false}, {"mustard", 0xb7950b, false},
      {"green", 0x27ae60, false},   {"teal", 0x16a085, false},   {"blue", 0x2980b9, false},
      {"violet", 0x8e44ad, false},  {"ink", 0x2c3e50, false},    {"rust", 0xd35400, false},
      {"grey", 0x7f8c8d, false},    {"brick", 0xa93226, false},  {"mint", 0x1abc9c, false},
      {"cream", 0xfff2cc, true},    {"sage", 0xd9ead3, true},    {"sky", 0xcfe2f3, true},
      {"blush", 0xf4cccc, true},    {"rose", 0xead1dc, true},    {"yellow", 0xffff00, true},
      {"cyan", 0x00ffff, true},     {"butter", 0xffe599, true},  {"white on plum", 0x5b2c6f, true},
      {"white on plum", 0xffffff, false},
  };
  auto bgr = [](uint32_t rgb) { return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16); };
  std::string saved;
  for (int pass = 0; pass < 2; ++pass) {  // the file, then what we saved of it
    Fixture f;
    testing::LoadRtf(f.d.doc, pass == 0 ? testing::RtfFixture("lo-colourful.rtf") : saved);
    f.Paint();
    std::vector<Call> texts = f.surface.Of("text"), fills = f.surface.Of("fill");
    for (const Word& w : words) {
      auto it = std::find_if(texts.begin(), texts.end(),
                             [&](const Call& c) { return ToUtf8(c.text) == w.text; });
      ASSERT_NE(it, texts.end()) << w.text;
      if (!w.back) {
        EXPECT_EQ(it->color, bgr(w.rgb)) << pass << " " << w.text;
        continue;
      }
      bool behind = std::any_of(fills.begin(), fills.end(), [&](const Call& c) {
        return c.color == bgr(w.rgb) && c.x <= it->x && c.x2 > it->x && c.y < it->y && c.y2 >= it->y;
      });
      EXPECT_TRUE(behind) << pass << " " << w.text;
    }
    saved = testing::SaveRtf(f.d.doc);
  }
}

TEST(Paint, ALibreOfficeTableShadesItsHeadingCellsInColourSeventeen) {
  Fixture f(680);
  testing::LoadRtf(f.d.doc, testing::RtfFixture("lo-table.rtf"));
  ASSERT_EQ(f.d.doc.Header().colors[17], 0x66D9FFu);
  f.Paint();
  // Each heading cell is shaded edge to edge (4, 8 and 5 of 17 cm), not its words alone.
  int top = int(f.layout.ParagraphTop(1));
  std::set<std::pair<int, int>> shaded;
  for (const Call& c : f.surface.Of("fill")) {
    if (c.color == 0x66D9FFu && c.y == top) shaded.insert({c.x, c.x2});
  }
  for (std::pair<int, int> cell : {std::pair(0, 160), std::pair(160, 480), std::pair(480, 680)}) {
    EXPECT_TRUE(shaded.count(cell)) << cell.first;
  }
  for (const Call& c : f.surface.Of("text")) EXPECT_EQ(c.color, 0u) << ToUtf8(c.text);  // black on yellow
}

}  // namespace
}  // namespace richtext

