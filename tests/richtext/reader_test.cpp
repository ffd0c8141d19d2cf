// SPDX-License-Identifier: GPL-3.0-or-later
#include "doc_builder.h"

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::LoadRtf;
using testing::Text;

// Reads an RTF body (wrapped in a minimal document) into a fresh document.
struct Read {
  TRTFTextIo doc;
  explicit Read(std::string_view body, bool wrap = true) {
    LoadRtf(doc, wrap ? "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}" + std::string(body) + "}"
                      : std::string(body));
  }
  TAttr At(size_t par, size_t i) { return doc.CharAttr(doc.Par(par), i); }
  const TParagraph& P(size_t i) { return doc.Par(i); }
};

TEST(Reader, TextAndStopConditions) {
  struct Case {
    std::string rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1 a\\par b}after", "a|b"},             // nothing after the closing brace
      {"{\\rtf1 a\\'e9b}", "a\xC3\xA9" "b"},        // hex escape through Windows-1252
      {"{\\rtf1 a\\'g9b\\'4}", "ag9b"},            // a broken escape is skipped
      {"{\\rtf1 a\\'zz\\par b}", "azz|b"},
      {"{\\rtf1 a}}b", "a"},                         // an unmatched brace stops reading
      {std::string("{\\rtf1 a\0b\0}", 13), "ab"},   // a NUL is skipped
      // Values outside Unicode and lone surrogate halves read as U+FFFD;
      // control characters never become object characters.
      {"{\\rtf1 \\u2147483647?a\\u99999999999?b\\u-40000?c}",
       "\xEF\xBF\xBD" "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c"},
      {"{\\rtf1 \\u-10179?x\\u-8704?y}", "\xEF\xBF\xBDx\xEF\xBF\xBDy"},
      {"{\\rtf1 a\\u1?\\u2?b\x01\x02\x03}", "ab"},
      {"{\\rtf1 \\u128512?}", "\xF0\x9F\x98\x80"},
      {"{\\rtf1 a\\u1010?b\\line c}", "a\xCF\xB2" "b\nc"},  // U+03F2 is a letter, not \\line
      {"{\\rtf1 a\tb\\tab c}", "a\tb\tc"},           // a raw tab is a tab
      {"{\\rtf1 a\r\nb}", "ab"},                     // raw line ends are nothing
      {"{\\rtf1 a\\\nb\\\rc}", "a|b|c"},             // backslash-newline ends a paragraph
      {"{\\rtf1 {\\*\\unknown x}y{\\unknown z}}", "yz"},
      {"{\\rtf1 \\{\\}\\\\}", "{}\\"},
      {"{\\rtf1 a\\line b}", "a\nb"},
      {"{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\~\\-}",
       "\xE2\x80\x94\xE2\x80\x93\xE2\x80\x98\xE2\x80\x99\"\"\xE2\x80\xA2\xC2\xA0\xC2\xAD"},
      {"{\\rtf1 \\u1046?\\uc2\\u1046??x}", "\xD0\x96\xD0\x96x"},
      {"{\\rtf1 \\u-10179?\\u-8704?}", "\xF0\x9F\x98\x80"},  // a surrogate pair
      {"{\\rtf1 {\\stylesheet{\\s0 Normal;}}{\\info{\\author me}}{\\header h}"
       "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}",
       "link"},
      {"{\\rtf1 {\\upr{ansi}{\\*\\ud{uni}}}}", "uni"},
      {"{\\rtf1 {\\listtext 1.\\tab}item}", "1.\titem"},
      {"{\\rtf1 a\\bin4 {}\\b}", "a"},               // binary bytes are skipped
  };
  for (const Case& c : cases) {
    Read r(c.rtf, false);
    EXPECT_EQ(Text(r.doc), c.text) << c.rtf;
    EXPECT_TRUE(r.doc.Objects().empty()) << c.rtf;
  }
}

TEST(Reader, CharacterProperties) {
  Read r("{\\colortbl;}\\b a\\b0 b\\fs21 c\\fs0 d\\fs e\\cf3 f\\cf16 g\\cb2\\i h\\plain i\\super j\\nosupersub k");
  struct Expect {
    size_t i;
    uint32_t flags;
    uint8_t size;
    int colors;  // text colour, background colour << 8
  // Text without a size is at RTF's default of 12 points, after \plain too.
  } expect[] = {{0, afBold, 12, 0},  {1, 0, 12, 0},  {2, 0, 10, 0}, {3, 0, 10, 0},
                {4, 0, 50, 0},       {5, 0, 50, 3},  {6, 0, 50, 16}, {7, afItalic, 50, 0x210},
                {8, 0, 12, 0},       {9, afSuperscript, 12, 0}, {10, 0, 12, 0}};
  for (const Expect& e : expect) {
    TAttr a = r.At(0, e.i);
    EXPECT_EQ(a.flags, e.flags) << e.i;
    EXPECT_EQ(a.size, e.size) << e.i;
    EXPECT_EQ(a.TextColor() | a.BackColor() << 8, e.colors) << e.i;
  }
  // Without a colour table of its own, a file's colour numbers name nothing.
  Read none("\\cf3\\cb2 x");
  EXPECT_EQ(none.At(0, 0).colors, 0);
}

TEST(Reader, FontsColoursAndCodePages) {
  Read r("{\\rtf1\\ansi\\ansicpg1251\\deff1{\\fonttbl{\\f1\\fswiss\\fcharset0 Helvetica;}"
         "{\\f2\\fnil\\fcharset2 Symbol;}{\\f3\\fnil\\fcharset128 MS Gothic;}{\\f4\\fnil Plain;}}"
         "{\\colortbl;\\red10\\green20\\blue30;\\red1\\green2\\blue3;}"
         "d\\f1\\'e9\\f2\\'b7\\f3\\'82\\'a0\\f4\\'c6\\f9 x}",
         false);
  // A cleared document starts with Arial as font 0; the fonts read follow it.
  const TTextHeader& h = r.doc.Header();
  EXPECT_EQ(h.fonts[1].name, "Helvetica");
  EXPECT_EQ(h.fonts[1].family, 0x20u);
  EXPECT_EQ(h.fonts[2].charset, 2u);
  EXPECT_EQ(h.colors[1], 0x1E140Au);
  EXPECT_EQ(h.colors[2], 0x030201u);
  // \fcharset0 is Windows-1252; symbol fonts keep the byte; 932 pairs decode;
  // a font without character set uses the document's page (1251: Ж).
  EXPECT_EQ(Text(r.doc), "d\xC3\xA9\xC2\xB7\xE3\x81\x82\xD0\x96x");
  EXPECT_EQ(r.At(0, 0).font, 1);  // \deff1 is Helvetica
  EXPECT_EQ(r.At(0, 5).font, 0);  // an undefined font number maps to font 0
}

TEST(Reader, ColourTableKeepsEveryEntry) {
  std::string table = "{\\colortbl";
  for (int i = 0; i < 20; ++i) table += "\\red" + std::to_string(i + 1) + ";";
  Read r(table + "}x");
  EXPECT_EQ(r.doc.Header().colors[14], 15u);
  EXPECT_EQ(r.doc.Header().colors[19], 20u);
  EXPECT_EQ(r.doc.Header().colorTableSize, 20);
  Read standard("{\\colortbl;\\red9;}x");  // a short table keeps the standard size
  EXPECT_EQ(standard.doc.Header().colorTableSize, 15);
}

TEST(Reader, ParagraphPropertiesAndGridRounding) {
  Read r("\\qc12 a\\par\\pard\\li1000 b\\par\\pard\\fi-360\\li720 c\\par\\pard\\li720\\fi-360 d"
         "\\par\\pard\\sb120\\sa240\\sl-300\\keep\\page e");
  EXPECT_EQ(r.P(0).alignment, alCenter);
  EXPECT_EQ(r.P(1).leftIndent, 1008);
  for (size_t i : {2, 3}) {
    EXPECT_EQ(r.P(i).leftIndent, 720) << i;
    EXPECT_EQ(r.P(i).firstIndent, 432) << i;
  }
  EXPECT_EQ(r.P(4).spaceBefore, 120);
  EXPECT_EQ(r.P(4).spaceAfter, 240);
  EXPECT_EQ(r.P(4).lineSpacing, -300);
  EXPECT_EQ(r.P(4).flags, pfKeep | pfPageBreak);
}

TEST(Reader, TabsBordersAndShading) {
  Read r("\\tqr\\tx1440\\tx2880 a\\par\\pard\\box\\brdrdb\\brdrw40\\brsp56\\brdrcf3 b\\par"
         "\\pard\\shading2500\\cfpat1\\cbpat2 c");
  const TTextHeader& h = r.doc.Header();
  ASSERT_EQ(__builtin_popcountll(r.P(0).tabSet), 2);
  int right = h.FindTab(1440, tkRight);
  ASSERT_GE(right, 0);
  EXPECT_TRUE(r.P(0).tabSet >> right & 1);
  // \pard after a bordered paragraph ends its block.
  EXPECT_EQ(r.P(1).borderFlags, bfBorder | bfBox | bfDouble | bfBlockEnds);
  EXPECT_EQ(r.P(1).borderWidth, 2);
  EXPECT_EQ(r.P(1).borderSpaceColor, 0x13);
  EXPECT_EQ(r.P(2).shading, 25);
  EXPECT_EQ(r.P(2).shadeColors, 0x21);
}

TEST(Reader, RtfCodeRunsAreVerbatim) {
  Read r("a\\wprtf1 {\\b x}\\\\y\\wprtf0 b");
  EXPECT_EQ(Text(r.doc), "a{\\b x}\\\\yb");
  EXPECT_TRUE(r.At(0, 1).flags & afRtfCode);
  EXPECT_FALSE(r.At(0, 11).flags & afRtfCode);
}

TEST(Reader, HeaderStrings) {
  Read r("{\\info{\\title One}}{\\title Two}x");
  EXPECT_EQ(r.doc.Header().title, "Two");  // \info is skipped as a whole
  Read s("{\\title One}{\\title Two}x");
  EXPECT_EQ(s.doc.Header().title, "One");  // a second title is skipped
  TRTFTextIo keep;
  keep.Header().pageWidth = 1000;
  TRtfReader reader(&keep, TReadOptions{true});
  reader.Read("{\\rtf1\\paperw5000{\\colortbl;\\red9;}x}");
  EXPECT_EQ(keep.Header().pageWidth, 1000);
  EXPECT_EQ(keep.Header().colors[1], 0x0000FFu);
}

TEST(Reader, PicturesBecomeObjects) {
  // A 1x1 24-bit DIB: info header, one pixel padded to four bytes.
  std::string dib =
      "28000000010000000100000001001800000000000400000000000000000000000000000000000000"
      "0000ff00";
  Read r("a{\\pict\\dibitmap0\\picw1\\pich1\\picwgoal300\\pichgoal200\\picscalex50 " + dib +
         "}{\\*\\shppict{\\pict\\pngblip\\picw4\\pich5 89504E47}}{\\nonshppict{\\pict x}}"
         "{\\pict\\wmetafile8\\picw100\\pich50 01000900}b");
  EXPECT_EQ(Text(r.doc), "a\x02\x02\x02" "b");
  ASSERT_EQ(r.doc.Objects().size(), 3u);
  const TTextObject& o = *r.doc.Objects()[0];
  ASSERT_TRUE(o.picture);
  EXPECT_EQ(o.picture->kind, TPicture::Kind::Dib);
  EXPECT_EQ(o.picture->data.substr(0, 2), "BM");
  EXPECT_EQ(o.picture->data.size(), 14u + 44u);
  EXPECT_EQ(o.width, 150);
  EXPECT_EQ(o.height, 200);
  EXPECT_EQ(r.At(0, 1).flags & afObject, afObject);
  EXPECT_EQ(r.At(0, 1).id, o.id);
  EXPECT_EQ(r.doc.Objects()[1]->picture->kind, TPicture::Kind::Png);
  ASSERT_TRUE(r.doc.Objects()[2]->picture);
  const TPicture& wmf = *r.doc.Objects()[2]->picture;
  EXPECT_EQ(wmf.kind, TPicture::Kind::Metafile);
  EXPECT_EQ(wmf.data.size(), 22u + 4u);
  EXPECT_EQ(wmf.data.substr(0, 4), "\xD7\xCD\xC6\x9A");
}

TEST(Reader, TablesAndFootnotes) {
  Read r("\\trowd\\cellx2000\\cellx4000\\pard\\intbl A\\cell B\\cell\\row\\pard after"
         "{\\super\\chftn}{\\footnote {\\super\\chftn} Note text.}");
  EXPECT_EQ(Text(r.doc), "A|B|after1");
  EXPECT_EQ(r.P(0).flags, pfTableCell | pfMoreCells);
  EXPECT_EQ(r.P(1).flags, pfTableCell | pfNotFirstCell);
  EXPECT_EQ(r.P(0).cellWidth, 128);  // 255 / 2 rounded
  EXPECT_EQ(r.P(1).cellStart, 128);
  EXPECT_EQ(r.P(1).cellWidth, 127);
  ASSERT_EQ(r.doc.Footnotes().size(), 1u);
  EXPECT_EQ(ToUtf8(r.doc.Footnotes()[0].text), "Note text.");
  EXPECT_EQ(r.At(2, 5).flags & afFootnote, afFootnote);
}

TEST(Reader, DeepNestingIsSkippedNotStacked) {
  std::string rtf = "{\\rtf1 before";
  rtf += std::string(150000, '{') + "deep\\}" + std::string(150000, '}');
  Read r(rtf + " after}", false);
  EXPECT_EQ(Text(r.doc), "before after");  // what stands deeper than any writer nests is left out
  Read deeper(std::string("{\\rtf1 a") + std::string(300000, '{') + "}", false);
  EXPECT_EQ(Text(deeper.doc), "a");
}

TEST(Reader, MissingDocumentIsAnError) {
  EXPECT_THROW(TRtfReader(nullptr), EEngineError);
  try {
    TTextReader reader(nullptr);
  } catch (const EEngineError& e) {
    EXPECT_STREQ(e.what(), "Wrong Arguments");
  }
}

TEST(PlainReader, LinesEncodingsAndStop) {
  struct Case {
    std::string bytes;
    const char* text;
  } cases[] = {
      {"a\r\nb\rc\nd", "a|b|c|d"},
      {"\xEF\xBB\xBFutf \xD0\x96", "utf \xD0\x96"},
      {"cp1252 \x80\xE9", "cp1252 \xE2\x82\xAC\xC3\xA9"},
      {std::string("a\0b\0", 4), "ab"},  // a NUL is skipped
  };
  for (const Case& c : cases) {
    TRTFTextIo doc;
    doc.loadFormat = FormatANSI;
    doc.LoadFromStream(c.bytes);
    EXPECT_EQ(Text(doc), c.text);
  }
}

}  // namespace
}  // namespace richtext
