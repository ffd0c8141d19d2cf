// SPDX-License-Identifier: GPL-3.0-or-later
#include "doc_builder.h"

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;
using testing::Text;

TEST(Model, EmptyDocumentCountsNoParagraphs) {
  TRTFText doc;
  EXPECT_EQ(doc.ParagraphCount(), 0u);
  EXPECT_TRUE(doc.IsEmpty());
  doc.InsertChar(0, 'a', 0);
  EXPECT_EQ(doc.ParagraphCount(), 1u);
  EXPECT_EQ(doc.TotalLength(), 2u);  // the character and the paragraph end
}

TEST(Model, FontTable) {
  TTextHeader h;
  EXPECT_EQ(h.FontNumber("Arial"), 0);
  EXPECT_EQ(h.FontNumber("ARIAL"), 0);
  std::string longName(40, 'x');
  EXPECT_EQ(h.FontNumber(longName), 1);
  EXPECT_EQ(h.fonts[1].name, std::string(31, 'x'));
  EXPECT_EQ(h.FontNumber(std::string(31, 'X') + "different tail"), 1);
  for (int i = 2; i < 99; ++i) EXPECT_EQ(h.FontNumber("Font " + std::to_string(i)), i);
  EXPECT_EQ(h.FontNumber("One too many"), 99);
  EXPECT_EQ(h.FontNumber("Font 50"), 50);
}

TEST(Model, MulDivRoundsHalvesAwayAndStaysInRange) {
  const struct {
    int32_t a, b, c, want;
  } cases[] = {
      {3, 1, 2, 2},          {-3, 1, 2, -2},         {7, 1440, 96, 105},
      {INT32_MAX, 1440, 96, INT32_MAX},               {INT32_MIN, 1440, 96, INT32_MIN},
      {268435455, -15, 1, INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Model, TabStops) {
  TRTFText doc;
  TTextHeader& h = doc.Header();
  h.AddTab(0, tkLeft);
  EXPECT_EQ(h.scratchMask, 0u);
  EXPECT_EQ(h.RoundToTabGrid(725), 720);
  EXPECT_EQ(h.RoundToTabGrid(360), 432);  // halfway rounds up
  h.inchUnits = false;
  EXPECT_EQ(h.RoundToTabGrid(725), 705);
  h.inchUnits = true;

  h.AddTab(1440, tkRight);
  int right = h.FindTab(1440, tkRight);
  EXPECT_EQ(h.scratchMask, uint64_t(1) << right);
  EXPECT_EQ(h.FindTab(1440, tkLeft), -1);
  EXPECT_EQ(h.FindTab(1440, tkAll), right);
  EXPECT_EQ(h.FindTab(1430, tkRight), right);  // found again on the grid
  EXPECT_EQ(h.tabs[size_t(right)].pixels, 96);

}

TEST(Model, TabTableFullAndCollected) {
  TRTFText doc;
  TTextHeader& h = doc.Header();
  uint64_t used = 0;
  for (int i = 64; i > 0; --i) {
    h.AddTab(144 * i, tkLeft);
    used |= h.scratchMask;
  }
  EXPECT_EQ(used, ~uint64_t(0));
  EXPECT_EQ(h.tabs[h.tabOrder[0]].position, 144);  // the order array sorts by position
  // Every stop is used by a paragraph: a 65th finds no room.
  doc.MutablePar(0).tabSet = used;
  h.AddTab(20000, tkLeft);
  EXPECT_EQ(h.scratchMask, 0u);
  // Once the paragraph lets go of a stop, it is collected for the new one.
  int freed = h.FindTab(144 * 10, tkLeft);
  doc.MutablePar(0).tabSet = used & ~(uint64_t(1) << freed);
  h.AddTab(20000, tkLeft);
  EXPECT_EQ(h.scratchMask, uint64_t(1) << freed);
  EXPECT_EQ(h.tabs[size_t(freed)].position, 20000);
}

TEST(Model, NewParagraphTakesOverProperties) {
  TRTFText doc;
  TParagraph& a = doc.MutablePar(0);
  a.leftIndent = 720;
  a.alignment = alCenter;
  a.tabSet = 5;
  a.borderFlags = bfBorder | bfBox;
  a.shading = 20;
  size_t b = doc.NewParagraph(0);
  EXPECT_EQ(doc.Par(b).leftIndent, 720);
  EXPECT_EQ(doc.Par(b).alignment, alCenter);
  EXPECT_EQ(doc.Par(b).tabSet, 5u);
  EXPECT_EQ(doc.Par(b).borderFlags, bfBorder | bfBox);
  EXPECT_EQ(doc.Par(b).shading, 20);

  doc.MutablePar(b).borderFlags |= bfBlockEnds;
  doc.MutablePar(b).flags = pfTableCell;
  size_t c = doc.NewParagraph(b);
  EXPECT_EQ(doc.Par(c).borderFlags, 0);  // the bordered block ended
  EXPECT_EQ(doc.Par(c).tabSet, 0u);      // a table cell's tabs stay in the cell
}

TEST(Model, Editing) {
  Doc d;
  d.Para(0, U"Hello");
  TRTFText& doc = d.doc;
  doc.insertionAttr.flags = afBold;
  EXPECT_TRUE(doc.InsertChar(0, '!', 5));
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 5).flags, afBold);
  doc.insertMode = false;
  doc.InsertChar(0, 'J', 0);
  EXPECT_EQ(Text(doc), "Jello!");
  doc.insertMode = true;

  doc.SplitParagraph(0, 2);
  EXPECT_EQ(Text(doc), "Je|llo!");
  doc.DeleteChar(0, 2);  // at the end: joins the next paragraph
  EXPECT_EQ(Text(doc), "Jello!");
  doc.DeleteRange(0, 1, 3);
  EXPECT_EQ(Text(doc), "Jo!");
  TAttr italic = Doc::With(afItalic);
  EXPECT_EQ(doc.ReplaceText(0, &italic, U"ack", 1, 1), 2);
  EXPECT_EQ(Text(doc), "Jack!");
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 2).flags, afItalic);

  // Joining into an empty paragraph takes the next one's properties.
  size_t e = doc.NewParagraph(0);
  doc.MutablePar(e).Props() = TParagraphProps{};
  size_t f = doc.NewParagraph(e);
  doc.MutablePar(f).alignment = alRight;
  doc.SetParagraphText(f, U"x", nullptr);
  doc.DeleteChar(e, 0);
  EXPECT_EQ(doc.Par(e).alignment, alRight);
  EXPECT_EQ(Text(doc), "Jack!|x");
}

TEST(Model, ProtectionRefusesAndReportsTheRun) {
  Doc d;
  d.Para(0, U"ab");
  d.Add(0, U"cd", Doc::With(afProtected));
  std::u32string run;
  d.doc.OnTextRun = [&](const TString& text, uint16_t) { run = text; };
  EXPECT_TRUE(d.doc.InsertChar(0, 'x', 2));  // not protected until switched on
  d.doc.protection = ppProtected;
  EXPECT_FALSE(d.doc.InsertChar(0, 'y', 4));
  EXPECT_EQ(run, U"cd");
  d.doc.MutablePar(0).flags |= pfProtected;
  d.doc.protection |= ppParProtected;
  EXPECT_FALSE(d.doc.InsertChar(0, 'z', 0));
  EXPECT_EQ(Text(d.doc), "abxcd");
}

TEST(Model, MemoryFormats) {
  Doc d;
  d.Para(0, U"abc", Doc::With(afBold));
  d.doc.SetMemoryFormat(false);
  EXPECT_TRUE(d.doc.Par(0).attrs.empty());
  EXPECT_THROW(d.doc.SetCharAttr(d.doc.MutablePar(0), 0, TAttr{}), EEngineError);
  d.doc.insertionAttr.flags = afItalic;
  d.doc.SetMemoryFormat(true);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(d.doc.CharAttr(d.doc.Par(0), i).flags, afItalic);
}

TEST(Model, ObjectsAndFootnotes) {
  TRTFText doc;
  TTextObject* a = doc.AddObject(nullptr, -1);
  TTextObject* b = doc.AddObject(nullptr, -1);
  TTextObject* c = doc.AddObject(nullptr, 0);
  TTextObject* e = doc.AddObject(nullptr, 0);
  EXPECT_EQ(a->tag, 2000);
  EXPECT_EQ(b->tag, 2001);
  EXPECT_EQ(c->id, 1);
  EXPECT_EQ(e->id, 2);
  EXPECT_EQ(doc.FindObject(2001, 0), b);
  EXPECT_EQ(doc.FindObject(0, 2), e);
  b->fileName = "Pic.BMP";
  EXPECT_EQ(doc.FindObjectByFile("pic.bmp"), b);

  auto pic = std::make_shared<TPicture>();
  pic->width = 96;
  pic->height = 48;
  TTextObject* sized = doc.AddObject(pic, 0);
  EXPECT_EQ(sized->width, 1440);
  EXPECT_EQ(sized->height, 720);

  doc.MarkObjectsUnused();
  sized->inUse = true;
  doc.FreeUnusedObjects();
  EXPECT_EQ(doc.Objects().size(), 1u);

  EXPECT_EQ(doc.AddFootnote('*', 1, U"one").id, 1);
  EXPECT_EQ(doc.AddFootnote('*', 2, U"two").id, 2);
  EXPECT_EQ(doc.FindFootnote(2)->text, U"two");
}

TEST(Model, CharacterAttrPresets) {
  TCharacterAttr preset(afInsertPoint);
  int calls = 0;
  bool lastReformat = false;
  preset.OnChange = [&](const TCharacterAttr&, uint32_t mask, bool reformat) {
    ++calls;
    EXPECT_EQ(mask, afInsertPoint);
    lastReformat = reformat;
  };
  preset.SetBold(tsIgnore);  // its current value: nothing happens
  EXPECT_EQ(calls, 0);
  preset.SetBold(tsTRUE);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(lastReformat);
  preset.SetUnderline(tsFALSE);
  EXPECT_FALSE(lastReformat);
  preset.SetTextColor(0xFF);
  EXPECT_TRUE(preset.UseTextColor());
  EXPECT_EQ(calls, 3);
  preset.SetUseUnderlineColor(true);  // no underline switched on: no call
  EXPECT_EQ(calls, 3);
}

TEST(Model, DefaultPresetsAndClear) {
  TRTFText doc;
  EXPECT_TRUE(doc.insertPointAttr.UseTextColor());
  EXPECT_EQ(doc.insertPointAttr.TextColor(), 0x0000FFu);
  EXPECT_EQ(doc.hyperlinkTextAttr.Underline(), tsTRUE);
  EXPECT_EQ(doc.hyperlinkTextAttr.UnderlineColor(), 0xFF0000u);
  doc.insertionAttr.size = 0;
  doc.Clear();
  EXPECT_EQ(doc.Header().fonts[0].name, "Arial");
  EXPECT_EQ(doc.insertionAttr.size, 10);
  EXPECT_TRUE(doc.IsEmpty());
}

}  // namespace
}  // namespace richtext
