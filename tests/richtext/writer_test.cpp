// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF writer, byte for byte. Every expected text below was worked out by
// hand from the writer's rules: header, groups, paragraph properties written
// only when they change, run prefixes, text escapes and the trailer.
#include "doc_builder.h"

#include <gtest/gtest.h>

#include <functional>

namespace richtext {
namespace {

using testing::Doc;

// The header of a cleared document: Arial as font 0, the 15 written colours
// of the initial colour table, and the initial page.
const std::string kHeader =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}"
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green128\\blue0;"
    "\\red0\\green0\\blue255;\\red255\\green255\\blue0;\\red255\\green0\\blue255;"
    "\\red128\\green0\\blue128;\\red128\\green0\\blue0;\\red0\\green255\\blue0;"
    "\\red0\\green255\\blue255;\\red0\\green128\\blue128;\\red0\\green0\\blue128;"
    "\\red255\\green255\\blue255;\\red192\\green192\\blue192;\\red128\\green128\\blue128;}"
    "\\paperw12240\\paperh15840\\margl1880\\margr1880\\margt1440\\margb1440";
const std::string kRun = "\\plain\\f0\\fs20\\cf0 ";  // the prefix of a plain run
const std::string kPar = "\\par\n\r";                  // a paragraph end
const std::string kEnd = "}\r\n}";                      // closes the body and the document

struct WriterCase {
  const char* name;
  std::function<void(Doc&)> build;
  std::string body;  // what follows the header
};

class WriterBytes : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterBytes, WritesExactly) {
  Doc d;
  GetParam().build(d);
  EXPECT_EQ(d.Rtf(), kHeader + GetParam().body);
}

TAttr Attr(uint32_t flags, uint8_t size = 10, uint8_t colors = 0, uint8_t font = 0) {
  TAttr a;
  a.flags = flags;
  a.size = size;
  a.colors = colors;
  a.font = font;
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, WriterBytes,
    ::testing::Values(
        WriterCase{"EmptyDocument", [](Doc&) {}, "{" + kEnd},
        WriterCase{"OneParagraph", [](Doc& d) { d.Para(0, U"Hello"); },
                   "{" + kRun + "Hello" + kEnd},
        WriterCase{"TwoParagraphsSameAlignmentWriteItOnce",
                   [](Doc& d) {
                     d.Para(0, U"a").alignment = alCenter;
                     d.Para(1, U"b").alignment = alCenter;
                   },
                   "{\\qc " + kRun + "a" + kPar + kRun + "b" + kEnd},
        WriterCase{"LeftAlignedFirstParagraphWritesNoAlignment",
                   [](Doc& d) {
                     d.Para(0, U"a");
                     d.Para(1, U"b").alignment = alRight;
                   },
                   "{" + kRun + "a" + kPar + "\\qr " + kRun + "b" + kEnd},
        WriterCase{"TextEscapes",
                   [](Doc& d) { d.Para(0, U"a{b}\\c\td\x00E9" U"e\nf\x001F"); },
                   "{" + kRun + "a\\{b\\}\\\\c\\tab d\\'e9e\\line f\\'1f" + kEnd},
        WriterCase{"CharactersBeyondWindows1252",
                   [](Doc& d) { d.Para(0, U"\x20AC\x0416\U0001F600"); },
                   "{" + kRun + "\\'80\\u1046?\\u-10179?\\u-8704?" + kEnd},
        WriterCase{"StyleWordsInTheirOrder",
                   [](Doc& d) {
                     d.Para(0, U"x", Attr(afBold | afItalic | afUnderline | afStrikeOut |
                                          afDoubleUnderline | afSuperscript | afSubscript));
                   },
                   "{\\plain\\f0\\fs20\\cf0\\b\\ul\\uldb\\super\\sub\\i\\strike x" + kEnd},
        WriterCase{"SizeZeroIsTwentyHalfPointsAndBackgroundZeroIsNotWritten",
                   [](Doc& d) {
                     d.Para(0, U"a", Attr(0, 0, 0x02));
                     d.Add(0, U"b", Attr(0, 12, 0x31));
                   },
                   "{\\plain\\f0\\fs20\\cf2 a\\plain\\f0\\fs24\\cf1\\cb3 b" + kEnd},
        WriterCase{"ParagraphAfterHiddenRunEndsWithPlainPar",
                   [](Doc& d) {
                     d.Para(0, U"h", Attr(afHidden));
                     d.Para(1, U"n");
                   },
                   "{\\plain\\f0\\fs20\\cf0\\v h\\plain" + kPar + kRun + "n" + kEnd},
        WriterCase{"RtfCodeRunIsWrittenRaw",
                   [](Doc& d) {
                     d.Para(0, U"{\\b x}", Attr(afRtfCode));
                     d.Add(0, U"{", Attr(0));
                   },
                   "{\\plain\\f0\\fs20\\cf0\\wprtf1 {\\b x}\\wprtf0\\plain\\f0\\fs20\\cf0 \\{" +
                       kEnd},
        WriterCase{"ProtectedInsertionPointAndAutomaticText",
                   [](Doc& d) {
                     TAttr ip = Attr(afInsertPoint | afProtected);
                     ip.id = 7;
                     d.Para(0, U"i", ip);
                     d.Add(0, U"a", Attr(afAutomatic));
                   },
                   "{\\plain\\f0\\fs20\\cf0\\shad\\inspnt7 i\\plain\\f0\\fs20\\cf0\\inaut a" + kEnd},
        WriterCase{"IndentsAndSpacing",
                   [](Doc& d) {
                     TParagraph& p = d.Para(0, U"a");
                     p.leftIndent = 720;
                     p.firstIndent = 360;
                     p.rightIndent = 144;
                     p.spaceBefore = 120;
                     p.spaceAfter = 240;
                     TParagraph& q = d.Para(1, U"b");
                     q.Props() = p.Props();
                     q.lineSpacing = -240;
                   },
                   "{\\li720\\fi-360\\ri144\\sb120\\sl\\sa240 " + kRun + "a" + kPar +
                       "\\sb120\\sl-240\\sa240 " + kRun + "b" + kEnd},
        WriterCase{"PageBreakAndKeep",
                   [](Doc& d) {
                     d.Para(0, U"a");
                     d.Para(1, U"b").flags = pfPageBreak | pfKeep;
                   },
                   "{" + kRun + "a" + kPar + "\\page\\keep " + kRun + "b" + kEnd},
        WriterCase{"TabGroupOpensAndClosesWithTheTabSet",
                   [](Doc& d) {
                     d.doc.Header().AddTab(1440, tkRight);
                     uint64_t right = d.doc.Header().scratchMask;
                     d.doc.Header().AddTab(720, tkLeft);
                     uint64_t left = d.doc.Header().scratchMask;
                     d.Para(0, U"a").tabSet = right | left;
                     d.Para(1, U"b");
                   },
                   // By position, whatever their places in the tab table.
                   "{{\\tx720\\tqr\\tx1440 " + kRun + "a" + kPar + "}" + kRun + "b" + kEnd},
        WriterCase{"ShadedParagraphHasItsOwnGroup",
                   [](Doc& d) {
                     TParagraph& p = d.Para(0, U"a");
                     p.shading = 50;
                     p.shadeColors = 0x31;
                     d.Para(1, U"b");
                   },
                   "{{\\shading5000\\cfpat1\\cbpat3 " + kRun + "a" + kPar + "}" + kRun + "b" + kEnd},
        WriterCase{"ShadedLastParagraphIsClosedToo",
                   [](Doc& d) {
                     TParagraph& p = d.Para(0, U"a");
                     p.shading = 100;
                     p.shadeColors = 0x02;
                   },
                   "{{\\shading10000\\cfpat2 " + kRun + "a}" + kEnd},
        WriterCase{"BorderBlockAroundTwoParagraphs",
                   [](Doc& d) {
                     TParagraph& p = d.Para(0, U"a");
                     p.borderFlags = bfBorder | bfBox;
                     p.borderWidth = 1;
                     p.borderSpaceColor = 0x12;
                     d.Para(1, U"b").Props() = p.Props();
                     d.Para(2, U"c");
                   },
                   "{{\\box\\brdrs\\brdrw20\\brsp56\\brdrcf2 " + kRun + "a" + kPar + kRun + "b" +
                       kPar + "}" + kRun + "c" + kEnd},
        WriterCase{"DoubleDottedTopBorder",
                   [](Doc& d) {
                     TParagraph& p = d.Para(0, U"a");
                     p.borderFlags = bfBorder | bfTop | bfDouble;
                     p.borderStyle = bsDotted;
                     p.borderWidth = 2;
                   },
                   "{{\\brdrt\\brdrdb\\brdrw40\\brdrdot " + kRun + "a}" + kEnd}));

// The header parts that the table above does not show.
TEST(Writer, HeaderFontsInfoAndPlainMode) {
  Doc d;
  TTextHeader& h = d.doc.Header();
  int courier = d.doc.FontNumber("Courier New");
  h.fonts[size_t(courier)].family = 0x31;
  h.fonts[size_t(courier)].charset = 0;
  h.title = "Day {1}";
  h.subject = "s";
  std::string rtf = d.Rtf();
  EXPECT_NE(rtf.find("{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}"),
            std::string::npos);
  EXPECT_NE(rtf.find("\\margb1440{\\title Day \\{1\\}}{\\subject\ts}{"), std::string::npos);

  // In plain mode only the font of the insertion attribute is written, as font 0.
  d.doc.insertionAttr.font = uint8_t(courier);
  d.doc.SetMemoryFormat(false);
  rtf = d.Rtf();
  EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}"), std::string::npos);
}

TEST(Writer, SymbolFontKeepsItsBytes) {
  Doc d;
  int n = d.doc.FontNumber("Symbol");
  d.doc.Header().fonts[size_t(n)].charset = 2;
  d.Para(0, U"\x00B7\x0080", Attr(0, 10, 0, uint8_t(n)));
  std::string rtf = d.Rtf();
  EXPECT_NE(rtf.find("{\\f1\\fnil\\fcharset2 Symbol;}"), std::string::npos);
  EXPECT_NE(rtf.find("{\\plain\\f1\\fs20\\cf0 \\'b7\\'80}"), std::string::npos);
}

// Entries written before the font table said \fcharset (with \charset) read
// the same as those written now, and a symbol font's codes survive both.
TEST(Writer, SymbolFontEntriesOfBothSpellingsReadBackTheSame) {
  const std::string older =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\charset0 Arial;}{\\f1\\fnil\\charset2 Wingdings;}}"
      "\\pard\\plain\\f0\\fs20 A{\\plain\\f1\\fs20 J\\'fc}\\par}";
  Doc first;
  testing::LoadRtf(first.doc, older);
  const std::string now = first.Rtf();
  EXPECT_NE(now.find("{\\f1\\fnil\\fcharset2 Wingdings;}"), std::string::npos) << now;
  EXPECT_EQ(now.find("\\charset"), std::string::npos) << now;
  Doc second;
  testing::LoadRtf(second.doc, now);
  for (Doc* d : {&first, &second}) {
    const TParagraph& par = d->doc.Par(0);
    ASSERT_EQ(par.text, U"AJ\u00FC");
    const TAttr a = d->doc.CharAttr(par, 1);
    EXPECT_EQ(d->doc.Header().fonts[a.font].name, "Wingdings");
    EXPECT_EQ(d->doc.Header().fonts[a.font].charset, 2u);
  }
  EXPECT_EQ(second.Rtf(), now);
}

TEST(Writer, ObjectsAndFootnotes) {
  Doc d;
  TTextObject* tagged = d.doc.AddObject(nullptr, 5);
  tagged->width = 100;
  tagged->height = 200;
  tagged->tagged = true;
  TAttr obj = Attr(afObject);
  obj.id = 5;
  d.Para(0, U"\x01", obj);

  auto png = std::make_shared<TPicture>();
  png->kind = TPicture::Kind::Png;
  png->data = std::string("\x89PNG", 4);
  png->width = 2;
  png->height = 3;
  TTextObject* pic = d.doc.AddObject(png, 0);
  pic->width = 30;
  pic->height = 45;
  TAttr picAttr = Attr(afObject);
  picAttr.id = pic->id;
  d.Add(0, U"\x02", picAttr);

  TFootnote& f = d.doc.AddFootnote('1', 1, U"Note");
  TAttr anchor = Attr(afFootnote);
  anchor.id = f.id;
  d.Add(0, U"1", anchor);

  EXPECT_EQ(d.Rtf(), kHeader + "{" + kRun + "\\wpobjtag5\\wpobjw100\\wpobjh200 \\'01" + kRun +
                         "{\\pict\\pngblip\\picw2\\pich3\\picwgoal30\\pichgoal45\r\n89504e47}" +
                         "\\plain\\f0\\fs20\\cf0 {\\cs16\\super 1{\\*\\footnote \\wpfnnr1 \\pard\\plain "
                         "\\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super\t1} Note}}" +
                         kEnd);
}

TEST(Writer, BitmapsAsDeviceBitsOrAsDib) {
  Doc d;
  auto bmp = std::make_shared<TPicture>();
  bmp->kind = TPicture::Kind::Bitmap;
  bmp->width = 2;
  bmp->height = 1;
  bmp->bitsPerPixel = 1;
  bmp->planes = 1;
  bmp->widthBytes = 2;
  bmp->data = std::string("\x40\x00", 2);
  TTextObject* o = d.doc.AddObject(bmp, 0);
  o->width = o->height = 15;
  TAttr a = Attr(afObject);
  a.id = o->id;
  d.Para(0, U"\x02", a);

  EXPECT_NE(d.Rtf().find("{\\pict\\wbitmap0\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2\\picw2\\pich1"
                         "\\picwgoal15\\pichgoal15\r\n4000}"),
            std::string::npos);
  TWriteOptions dib;
  dib.writeBitmapAsDib = true;
  std::string rtf = d.Rtf(dib);
  // Info header (40 bytes), two palette entries, one row padded to 4 bytes.
  EXPECT_NE(rtf.find("{\\pict\\dibitmap0\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes1\\picw2\\pich1"
                     "\\picwgoal15\\pichgoal15\r\n28000000020000000100000001000100"),
            std::string::npos);
  EXPECT_NE(rtf.find("000000000000ffffff0040000000}"), std::string::npos);
}

TEST(Writer, TableRows) {
  Doc d;
  TTextHeader& h = d.doc.Header();
  int32_t textWidth = h.pageWidth - h.marginLeft - h.marginRight;  // 8480
  for (int i = 0; i < 2; ++i) {
    TParagraph& p = d.Para(size_t(i), i == 0 ? U"A" : U"B");
    p.flags = pfTableCell | (i == 0 ? pfMoreCells : pfNotFirstCell);
    p.cellStart = uint8_t(i * 127);
    p.cellWidth = uint8_t(i == 0 ? 127 : 128);
  }
  d.Para(2, U"after");  // not a cell: the row group closes
  std::string cellx1 = std::to_string(textWidth * 127 / 255);
  std::string cellx2 = std::to_string(textWidth);
  EXPECT_EQ(d.Rtf(), kHeader + "{{\\pard\\trowd\\trgaph0\\trleft0\\cellx" + cellx1 + "\\cellx" +
                         cellx2 + "\\intbl\\sb0\\sl\\sa0 " + kRun + "A\\cell\n\r\\intbl\\sb0\\sl\\sa0 " +
                         kRun + "B\\cell\\row\n\r}" + kRun + "after" + kEnd);
}

class ShortStream : public TOutStream {
 public:
  size_t Write(const char*, size_t count) override { return count / 2; }
};

TEST(Writer, AShortWriteIsError7) {
  Doc d;
  d.Para(0, U"Hello");
  ShortStream out;
  EXPECT_EQ(TRTFWriter(d.doc).Write(out), ioFailed);
  EXPECT_EQ(TTextWriter(d.doc).Write(out), ioFailed);
}

TEST(Writer, PlainTextAndSelections) {
  Doc d;
  d.Para(0, U"Dear diary");
  d.Para(1, U"\x0416 ok");
  TStringStream plain;
  TTextWriter(d.doc).Write(plain);
  EXPECT_EQ(plain.bytes, "Dear diary\r\n\xD0\x96 ok");

  TStringStream part;
  TTextWriter(d.doc, TWriteRange{0, 5, 1, 1}).Write(part);
  EXPECT_EQ(part.bytes, "diary\r\n\xD0\x96");
  TStringStream rtf;
  TRTFWriter(d.doc, TWriteRange{0, 5, 0, 8}).Write(rtf);
  EXPECT_EQ(rtf.bytes, kHeader + "{" + kRun + "dia" + kEnd);
}

}  // namespace
}  // namespace richtext
