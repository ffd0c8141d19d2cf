// SPDX-License-Identifier: GPL-3.0-or-later
// RTF from other programs keeps its look: every colour of its table, colours
// and fonts of pasted text, sizes of East Asian text.
#include "doc_builder.h"

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;
using testing::LoadRtf;
using testing::SaveRtf;
using testing::Text;

size_t ColourEntries(const std::string& rtf) {
  size_t from = rtf.find("{\\colortbl"), to = rtf.find('}', from);
  return size_t(std::count(rtf.begin() + long(from), rtf.begin() + long(to), ';'));
}

std::string TwentyColours() {
  std::string table = "{\\colortbl;";
  for (int i = 1; i < 20; ++i) table += "\\red" + std::to_string(i) + "\\green7\\blue9;";
  return table + "}";
}

TEST(Foreign, EveryColourOfTheTableIsKeptAndSaved) {
  TRTFTextIo doc;
  LoadRtf(doc, "{\\rtf1 " + TwentyColours() + "\\cf17\\cb19 text\\par"
               "{\\box\\brdrs\\brdrcf16\\cbpat18 boxed\\par}"
               "\\trowd\\clcbpat18\\cellx3000\\pard\\intbl cell\\cell\\row}");
  TAttr a = doc.CharAttr(doc.Par(0), 0);
  EXPECT_EQ(a.TextColor(), 17);
  EXPECT_EQ(a.BackColor(), 19);
  EXPECT_EQ(doc.Par(1).BorderColor(), 16);
  EXPECT_EQ(doc.Par(1).ShadeBackColor(), 18);
  EXPECT_EQ(doc.Par(2).ShadeBackColor(), 18);
  std::string rtf = SaveRtf(doc);
  EXPECT_EQ(ColourEntries(rtf), 20u);
  for (const char* word : {"\\cf17", "\\cb19", "\\brdrcf16", "\\cbpat18", "\\clcbpat18"}) {
    EXPECT_NE(rtf.find(word), std::string::npos) << word;
  }
  TRTFTextIo back;
  LoadRtf(back, rtf);
  EXPECT_EQ(back.Header().colors, doc.Header().colors);
  EXPECT_EQ(back.CharAttr(back.Par(0), 0), a);
  EXPECT_EQ(SaveRtf(back), rtf);
  // Our own entries keep the table of 15 entries that they are written with.
  Doc own;
  own.Para(0, U"x");
  EXPECT_EQ(ColourEntries(own.Rtf()), 15u);
}

TEST(Foreign, InsertedRtfBringsItsColoursAndFontsIntoOurTables) {
  Doc d;
  d.Para(0, U"ours");
  TRTFTextIo& doc = d.doc;
  TRTFText::ParagraphList list = doc.ReadRtfForInsertion(
      "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f3\\fmodern\\fcharset128 MS Gothic;}}"
      "{\\colortbl;\\red0\\green0\\blue255;\\red255\\green255\\blue0;\\red1\\green2\\blue3;}"
      "\\cf1 blue {\\highlight2 yellow} {\\f3\\cf3 odd}}");
  ASSERT_EQ(list.size(), 1u);
  const TParagraph& p = *list[0];
  auto at = [&](size_t i) { return doc.AttrOf(p.attrs[i]); };
  const TTextHeader& h = doc.Header();
  EXPECT_EQ(h.colors[size_t(at(0).TextColor())], 0xFF0000u);   // blue
  EXPECT_EQ(h.colors[size_t(at(5).BackColor())], 0x00FFFFu);   // yellow
  EXPECT_EQ(h.colors[size_t(at(12).TextColor())], 0x030201u);  // a colour we lacked, added
  EXPECT_EQ(h.fonts[at(12).font].name, "MS Gothic");
  EXPECT_EQ(h.fonts[at(12).font].charset, 128u);
  EXPECT_EQ(h.fonts[at(0).font].name, "Arial");
  EXPECT_EQ(Text(doc), "ours");  // nothing is inserted yet
}

TEST(Foreign, EastAsianTextTakesItsDoubleByteSize) {
  TRTFTextIo doc;
  LoadRtf(doc, "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Noto Sans CJK JP;}}"
               "\\dbch\\af1\\afs32\\loch\\f0\\fs20 ab\\u26085?\\u26412? {\\hich\\afs40 c\\u35486?}"
               "\\plain d\\u26085?}");
  const TParagraph& p = doc.Par(0);
  struct Expect {
    size_t i;
    uint8_t size;
    const char* font;
  } expect[] = {{0, 10, "Arial"}, {2, 16, "Noto Sans CJK JP"}, {3, 16, "Noto Sans CJK JP"},
                {5, 10, "Arial"}, {6, 16, "Noto Sans CJK JP"}, {7, 12, "Arial"}, {8, 12, "Arial"}};
  for (const Expect& e : expect) {
    TAttr a = doc.CharAttr(p, e.i);
    EXPECT_EQ(a.size, e.size) << e.i;
    EXPECT_EQ(doc.Header().fonts[a.font].name, e.font) << e.i;
  }
  // Word gives complex script its size after \rtlch while \dbch is still in
  // force from the paragraph: East Asian text keeps the run's \fs.
  TRTFTextIo word;
  LoadRtf(word, "{\\rtf1{\\fonttbl{\\f0 Century;}{\\f1 MS Mincho;}}\\loch\\af0\\dbch\\af1 "
                "{\\rtlch\\af0\\afs40 \\ltrch\\fs28\\dbch\\f1 \\u26085?}{\\ltrch\\afs36 \\u26085?}}");
  EXPECT_EQ(word.CharAttr(word.Par(0), 0).size, 14);
  EXPECT_EQ(word.CharAttr(word.Par(0), 1).size, 12);
}

// Some writers make East Asian text bold or italic only through \dbch with
// \ab and \ai; the Latin text beside it keeps \b and \i.
TEST(Foreign, EastAsianTextTakesItsDoubleByteBoldAndItalic) {
  struct Case {
    const char* body;
    uint32_t latin, eastAsian;  // bold and italic of "a" and of the kana after it
  } cases[] = {
      {"{\\loch\\ul\\dbch\\afs40\\ab\\dbch a\\u12496?}", afUnderline, afUnderline | afBold},
      {"{\\b\\dbch\\ab0\\ai a\\u12496?}", afBold, afItalic},
      {"{\\dbch\\ab\\loch\\ab0\\b0 a\\u12496?}", 0, afBold},  // \ab after \loch is not for kana
      {"\\dbch\\af0 {\\rtlch\\ab0\\ai \\ltrch\\b a\\u12496?}", afBold, afBold},  // \rtlch: complex script
      {"{\\dbch\\ab\\ai\\plain a\\u12496?}", 0, 0},
      {"{\\stylesheet{\\s1\\dbch\\ai East;}}\\pard\\plain\\s1 a\\u12496?", 0, afItalic},
  };
  for (const Case& c : cases) {
    TRTFTextIo doc;
    LoadRtf(doc, "{\\rtf1{\\fonttbl{\\f0 Arial;}}" + std::string(c.body) + "}");
    uint32_t mask = afBold | afItalic | afUnderline;
    EXPECT_EQ(doc.CharAttr(doc.Par(0), 0).flags & mask, c.latin) << c.body;
    EXPECT_EQ(doc.CharAttr(doc.Par(0), 1).flags & mask, c.eastAsian) << c.body;
  }
}

// Character formatting given through the style sheet applies where a style
// is used, under the formatting the text gives itself.
TEST(Foreign, StylesGiveTheirCharacterFormatting) {
  TRTFTextIo doc;
  LoadRtf(doc, "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1 Calibri Light;}}"
               "{\\colortbl;\\red47\\green84\\blue150;\\red255\\green0\\blue0;}"
               "{\\stylesheet{\\s0\\fs24 Normal;}"
               "{\\s1\\sbasedon0\\snext0\\f1\\fs32\\cf1 heading 1;}"
               "{\\s2\\sbasedon1\\snext0\\i\\fs26 heading 2;}"
               "{\\*\\cs10\\additive\\b\\cf2 Strong;}}"
               "\\pard\\plain\\s1 Title\\par"
               "\\pard\\plain\\s2 Sub\\par"
               "\\pard\\plain\\s2\\fs20 small\\par"
               "\\pard\\plain body {\\cs10 strong}\\par}");
  auto at = [&](size_t par, size_t i) { return doc.CharAttr(doc.Par(par), i); };
  const TTextHeader& h = doc.Header();
  TAttr title = at(0, 0);
  EXPECT_EQ(title.size, 16);
  EXPECT_EQ(h.colors[size_t(title.TextColor())], 0x96542Fu);
  EXPECT_EQ(h.fonts[title.font].name, "Calibri Light");
  TAttr sub = at(1, 0);  // based on heading 1: its font and colour, its own size
  EXPECT_EQ(sub.size, 13);
  EXPECT_EQ(sub.flags & afItalic, afItalic);
  EXPECT_EQ(h.fonts[sub.font].name, "Calibri Light");
  EXPECT_EQ(h.colors[size_t(sub.TextColor())], 0x96542Fu);
  EXPECT_EQ(at(2, 0).size, 10);  // the text's own size wins
  TAttr body = at(3, 0), strong = at(3, 5);
  EXPECT_EQ(body.size, 12);  // no size anywhere: RTF's default
  EXPECT_EQ(body.flags & afBold, 0u);
  EXPECT_EQ(strong.flags & afBold, afBold);
  EXPECT_EQ(h.colors[size_t(strong.TextColor())], 0x0000FFu);
  EXPECT_EQ(at(3, 11).flags & afBold, 0u);  // after the character style's group
  // Nothing of the style sheet is written back: the effect is plain formatting.
  TStringStream out;
  TRTFWriter(doc).Write(out);
  EXPECT_EQ(out.bytes.find("stylesheet"), std::string::npos);
  EXPECT_NE(out.bytes.find("\\fs32\\cf"), std::string::npos);
}

// A paragraph without \s is in style 0, and \plain takes the character
// formatting back to that of the paragraph style in force, not past it.
TEST(Foreign, PlainFallsBackToTheParagraphStyle) {
  TRTFTextIo doc;
  LoadRtf(doc, "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1 Arial;}}"
               "{\\stylesheet{\\fs20\\b Normal;}{\\s1\\f1\\fs32 heading;}{\\s2\\sbasedon0\\i quote;}}"
               "before\\par"
               "\\pard\\plain\\s1 title {\\i\\fs18 own}\\plain back\\par"
               "\\pard\\plain plain\\par"
               "\\pard\\s2 quoted\\plain\\ul under\\par"
               "\\pard\\plain\\s1\\fs20 small\\plain\\s2 styled\\par}");
  struct Expect {
    size_t par, at;
    uint8_t size;
    uint32_t flags;
    const char* font;
  } expect[] = {
      {0, 0, 10, afBold, "Times"},                  // style 0 before any \pard
      {1, 0, 16, 0, "Arial"},                       // heading, not based on Normal
      {1, 6, 9, afItalic, "Arial"},                 // the text's own words
      {1, 10, 16, 0, "Arial"},                      // \plain: back to the heading
      {2, 0, 10, afBold, "Times"},                  // \pard: style 0 again
      {3, 0, 10, afBold | afItalic, "Times"},       // based on Normal
      {3, 6, 10, afBold | afItalic | afUnderline, "Times"},  // \plain: back to the quote
      {4, 0, 10, 0, "Arial"},                       // heading with its own size
      {4, 5, 10, afBold | afItalic, "Times"},       // \plain\s2: nothing of the heading stays
  };
  for (const Expect& e : expect) {
    TAttr a = doc.CharAttr(doc.Par(e.par), e.at);
    EXPECT_EQ(a.size, e.size) << e.par << ":" << e.at;
    EXPECT_EQ(a.flags & (afBold | afItalic | afUnderline), e.flags) << e.par << ":" << e.at;
    EXPECT_EQ(doc.Header().fonts[a.font].name, e.font) << e.par << ":" << e.at;
  }
  // Which characters a style's associated words are for ends with them: the
  // size the text then gives after \rtlch is not taken for East Asian text.
  TRTFTextIo east;
  LoadRtf(east, "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1 MS Mincho;}}{\\stylesheet{\\loch\\f0\\dbch\\af1 Normal;}}"
                "\\pard\\plain\\rtlch\\afs40\\ltrch\\fs20 a\\u26085?\\par}");
  EXPECT_EQ(east.CharAttr(east.Par(0), 1).size, 10);
}

}  // namespace
}  // namespace richtext
