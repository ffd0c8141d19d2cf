// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile and foreign input: saves that never drift, no slow paths, no
// silent loss, no files opened on a document's say.
#include "../support/temp_dir.h"
#include "doc_builder.h"

#include <richtext/finder.h>
#include <richtext/layout.h>
#include <richtext/picture_codec.h>

#include <gtest/gtest.h>

#include <set>

namespace richtext {
namespace {

using testing::Doc;
using testing::LoadRtf;
using testing::SaveRtf;
using testing::Text;

// Loads, saves, loads the save and saves again.
struct TwoSaves {
  std::string first, second, text, textAgain;
  explicit TwoSaves(std::string_view rtf) {
    TRTFTextIo a, b;
    LoadRtf(a, rtf);
    text = Text(a);
    first = SaveRtf(a);
    LoadRtf(b, first);
    textAgain = Text(b);
    second = SaveRtf(b);
  }
};

size_t Count(std::string_view text, std::string_view word) {
  size_t n = 0;
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

TEST(Hostile, TheSecondSaveWritesTheBytesOfTheFirst) {
  const char* const cases[] = {
      // Two bordered cells: boundaries, borders and widths must not move.
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\trowd\\trgaph108\\clbrdrt\\brdrs\\clbrdrb\\brdrs"
      "\\cellx3000\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx6000\\intbl A\\cell\\intbl B\\cell\\row"
      "\\pard after\\par}",
      // A row indented from the margin, thin borders, cell tab stops, a
      // centred paragraph before it.
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\qc Title\\par\\trowd\\trleft500\\clbrdrl\\brdrs"
      "\\brdrw10\\cellx2500\\cellx4100\\cellx9000\\pard\\intbl\\tx720 a\\tab b\\cell\\intbl c\\cell"
      "\\intbl d\\cell\\row\\pard end}",
      // A row with a cell more than its definition, another without \\row.
      "{\\rtf1 \\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell c\\cell\\row"
      "\\trowd\\clbrdrb\\brdrs\\cellx4000\\pard\\intbl x\\cell}\\pard y\\par}",
      // The text ends inside a cell, before its \\cell; one with side borders.
      "{\\rtf1 \\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell\\intbl b",
      "{\\rtf1 \\trowd\\clbrdrl\\brdrs\\cellx1000\\pard\\intbl b",
      // A first line that starts left of the margin, off the tab grid.
      "{\\rtf1 \\fi-428\\li72 a\\par}",
      // A footnote whose text begins with an object code and a space.
      "{\\rtf1 a{\\footnote \\u1?\\u2? note\\line two}b}",
      // RTF code that runs to the end of its paragraph and of the text.
      "{\\rtf1 a\\wprtf1 {x}\\par b\\par\\wprtf0 c\\par\\wprtf1 d}",
      // A picture without data: its placeholder stays one.
      "{\\rtf1 a{\\pict\\pngblip\\picwgoal300\\pichgoal200}b}",
      // Rows without boundaries, and rows on a page with no room for them.
      "{\\rtf1 \\trowd\\pard\\intbl a\\cell b\\cell c\\cell\\row}",
      "{\\rtf1 \\paperw2000\\margl1000\\margr1000\\trowd\\cellx500\\cellx900\\pard\\intbl a\\cell b"
      "\\cell\\row\\trowd\\cellx0\\cellx0\\pard\\intbl c\\cell d\\cell\\row}",
      // Tab stops that an earlier paragraph numbered first.
      "{\\rtf1 \\tx900 a\\par\\pard\\tx300\\tx600\\tx900 b\\par}",
      // U+03F2 is a letter like any other, \\line a line break.
      "{\\rtf1 a\\u1010?b\\line c{\\footnote x\\u1010?y}}",
      // A paragraph marked as a cell that ends without \\cell.
      "{\\rtf1 \\trowd\\cellx1000\\pard{\\intbl a}\\par b\\par}",
      // A font name ending in a space and a control character.
      "{\\rtf1 {\\fonttbl{\\f0 Arial;}{\\f1 Four \\'01;}{\\f2 A name of thirty-one letters a b;}}"
      "\\f1 x\\f2 y}",
      // Text after \\plain in the default size beside text stated at that size.
      "{\\rtf1 \\plain a{\\fs20 b}c\\par}",
      // Picture data in a group of its own inside the picture.
      "{\\rtf1 a{\\pict\\pngblip{\\bin4 \x89PNG}}b}",
      // RTF code holding bytes of Windows-1252, braces and the end of the text.
      "{\\rtf1 \\wprtf\xff}",
      "{\\rtf1 a\\wprtf1 \\'e9\x80\xe9{\\b}\\wprtf0 b}",
      // RTF code that is automatic text, an insertion point, a footnote's mark.
      "{\\rtf1 a{\\inaut\\wprtf1 x\\wprtf0 }{\\inspnt7\\wprtf1 y}}",
      "{\\rtf1 \\wprtf1 ab\\wprtf0{\\footnote n}c}",
      // A double border line without a side.
      "{\\rtf1 \\brdrdb a\\par b}",
      // A border colour for a cell without a border.
      "{\\rtf1 a\\cell\\row\\pard\\brdrcf1 b\\cell c}",
      // Rows narrower than the narrowest a boundary is written, by their
      // boundaries or by a margin stated after the first row ended.
      "{\\rtf1 \\trowd\\cellx100\\pard\\intbl a\\cell\\row\\trowd\\cellx200\\pard\\intbl b\\cell\\row}",
      "\\cell\\row\\cell\\margr",
      // A box around a cell, and one with a wide spacing that a cell has no
      // word for: only the first cell's spacing is the row's gap.
      "\\cell\\box\\cell",
      "{\\rtf1 a\\cell\\box b\\cell\\row\\pard c\\cell\\box\\brsp800 d\\cell\\row}",
      // A double line around a cell without a side; a boxed cell in a row
      // above one with its four sides.
      "\\brdrdb\\cell",
      "{\\rtf1 \\box a\\cell\\row\\pard\\brdrt\\brdrs\\brdrb\\brdrs\\brdrl\\brdrs\\brdrr\\brdrs b\\cell\\row}",
      // A pattern colour without a percentage, which is full shading; cells
      // shaded by percentages that a cell has no word for.
      "\\cfpat5",
      "{\\rtf1 \\shading5000\\cbpat4 a\\cell\\row\\pard\\cbpat4 b\\cell\\row}",
      "{\\rtf1 \\shading10000\\cfpat2 a\\cell\\row}",
      // A cell's border, then a paragraph outside the table ended by a
      // backslash before a line end (a \\par), with a border word of its
      // own or none, and one after \\pard: a bordered paragraph after a
      // cell is a block of its own.
      "{\\rtf1 \\brdrb\\cell\\tx124\\\n\\pard\\tx124}",
      "{\\rtf1 \\brdrb\\cell\\tx1\\brdrcf\\\n\\pard\\tx1}",
      "{\\rtf1 \\box \\cell\\brdrt\\tx124\\\n\\pard\\tx124a}",
      // A bordered block whose second paragraph changes the tab stops.
      "\\tx6\\\n\\brdrl\\\n\\tx124\\\n\\pard\\tx124",
      // An object code in a title, which has no objects.
      "\\title\x01",
      // A row indented further than an indent can be.
      "{\\rtf1 \\trleft5555550\\cell\\cell}",
      // RTF code with a control byte or a line end inside its end word.
      "\\wprtf\\\x1cwprtf0",
      "{\\rtf1 a\\wprtf1 b\\\nwprtf0 c}",
      // Picture data cut short by a bitmap word, outside any document group.
      "{\\pict 2f\\wbitmap}",
      // Cells whose borders differ only in a line style a cell has no word for.
      "\\brdrtablin\\box\\cell\\row\\box\\cell",
      "\\brdrb\\cell\\row\\brdrtablin\\brdrb\\cell",
      // Full shading whose background the pattern hides, and shading past 100 %.
      "\\shading50200\\cbpat4",
      // A tab stop off the grid after one on the grid point it rounds to.
      "\\tx789\\tx720",
      "{\\rtf1 \\tx720\\tx789 a\\tab b\\par}",
      // A list label's lead byte in a double-byte font, its trail byte after the group.
      "0\\ls3\\fonttbl\\charset128\\b;",
      // An insertion point made a footnote's mark after an empty footnote took an id.
      "{\\r{\\footnote}\\inspnt0b\\footnote",
      // A footnote after a picture without data, and after an icon.
      "{{\\pict}\\r\\footnote",
      "{\\rtf1 a{\\*\\wpobjtag2000\\wpobjw0\\wpobjh0 \\'01}{\\footnote x}b}",
      // A bitmap whose own header states a size past any page.
      "{\\rtf1 {\\pict\\dibitmap0 28000000ffffff0fffffff0f01001800"
      "000000000000000000000000000000000000000000000000}}",
      // A picture scaled to nothing.
      "{\\pict 2f\\pngblip\\picw2\\picscalex1}",
      // Picture files without a name, one in a list's label, around a named one.
      "\\pnlvlbody{\\pntext{\\picfile}0{\\picfile\"a}\\picfile\\\\}",
      // A picture file named by a control character alone.
      "{\\picfile\"\x02}",
      // A font's name read in one character set, the font then made a symbol font.
      "\\fonttbl\\charset79\x9a\\charset2;",
      // A first line further left than an offset can be stated.
      "\\li72\\fi-7200000",
      "{\\rtf1 \\li-4194304\\fi-4194304 a\\par\\pard\\li4194304\\fi4194304 b\\par}",
  };
  // A row of more cells than a row holds.
  std::string cells;
  for (int i = 0; i < 51; ++i) cells += "\\cell";
  std::vector<std::string> all(std::begin(cases), std::end(cases));
  all.push_back(cells);
  for (const std::string& rtf : all) {
    TwoSaves s(rtf);
    EXPECT_EQ(s.first, s.second) << rtf;
    EXPECT_EQ(s.text, s.textAgain) << rtf;
  }
  TwoSaves table(cases[0]);
  EXPECT_EQ(Count(table.second, "\\clbrdrt\\brdrs"), 2u);
  EXPECT_EQ(Count(table.second, "\\clbrdrb\\brdrs"), 2u);
  EXPECT_NE(table.second.find("\\cellx6000"), std::string::npos);
  TwoSaves thin(cases[1]);
  EXPECT_NE(thin.first.find("\\brdrw20"), std::string::npos);  // half a point is a thin line
}

// A style is applied through the styles it is based on, and \plain inside it
// gives RTF's defaults: no style sheet may make the reader apply styles
// without end.
TEST(Hostile, StylesThatReferToThemselvesAreAppliedOnce) {
  struct Case {
    const char* rtf;
    const char* text;
    uint32_t flags[3];  // bold and italic of the first three characters
  } cases[] = {
      {"{\\rtf1\\ansi{\\stylesheet{\\s1\\plain\\b Heading;}}\\pard\\s1\\plain hello\\par}", "hello",
       {afBold, afBold, afBold}},
      {"{\\rtf1{\\stylesheet{\\s1\\b\\plain\\i A;}}\\pard\\s1 xyz\\par}", "xyz",
       {afItalic, afItalic, afItalic}},
      // A paragraph style and a character style, each with \plain.
      {"{\\rtf1{\\stylesheet{\\s1\\plain\\b A;}{\\*\\cs2\\plain\\i B;}}\\pard\\s1 a{\\cs2 b}\\plain c\\par}",
       "abc", {afBold, afItalic, afBold}},
      // Based on itself: no base.
      {"{\\rtf1{\\stylesheet{\\s1\\sbasedon1\\b A;}}\\pard\\s1 xyz\\par}", "xyz", {afBold, afBold, afBold}},
      // Bases that come back round: the style is broken and left out.
      {"{\\rtf1{\\stylesheet{\\s1\\sbasedon2\\b A;}{\\s2\\sbasedon1\\i B;}}\\pard\\s1 xy\\s2 z\\par}", "xyz",
       {0, 0, 0}},
      {"{\\rtf1{\\stylesheet{\\s1\\sbasedon2\\plain\\b A;}{\\s2\\sbasedon3\\plain B;}{\\s3\\sbasedon1\\i C;}"
       "{\\s4\\sbasedon3\\ul D;}}\\pard\\plain\\s4\\plain xyz\\par}",
       "xyz", {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TRTFTextIo doc;
    LoadRtf(doc, c.rtf);
    ASSERT_EQ(ToUtf8(doc.Par(0).text), c.text) << c.rtf;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(doc.CharAttr(doc.Par(0), i).flags & (afBold | afItalic), c.flags[i]) << c.rtf << " " << i;
    }
  }
}

// Groups nested deeper than the reader follows are left out, and the load
// says so; nothing is left out of well-formed input.
TEST(Hostile, TextNestedTooDeeplyIsReportedAsLeftOut) {
  TRTFTextIo doc;
  const size_t depth = 100001;
  LoadRtf(doc, "{\\rtf1 a" + std::string(depth, '{') + "deep\\}" + std::string(depth, '}') + "b}");
  EXPECT_EQ(Text(doc), "ab");
  EXPECT_TRUE(doc.lastLosses.Any());
  LoadRtf(doc, "{\\rtf1 a{\\b b}\\par c}");
  EXPECT_FALSE(doc.lastLosses.Any());
}

TEST(Hostile, TextUnderADoubleByteFontReadsBackAsWritten) {
  for (int charset : {134, 128, 136, 129, 0, 161}) {
    Doc d;
    d.doc.Header().fonts[1] = {"SimSun", 0, uint32_t(charset)};
    TAttr a = Doc::Plain();
    a.font = 1;
    const std::u32string text = U"\u201COffice\u201D caf\u00E9 \u4E2D";
    d.Para(0, text, a);
    std::string rtf = d.Rtf();
    TRTFTextIo back;
    LoadRtf(back, rtf);
    EXPECT_EQ(back.Par(0).text, text) << charset << "\n" << rtf;
  }
  // Windows-1252 text under a Western font is written byte for byte as before.
  Doc d;
  d.Para(0, U"caf\u00E9");
  EXPECT_NE(d.Rtf().find("caf\\'e9"), std::string::npos);
}

// Cubic before: a free number was searched linearly for each object.
TEST(Hostile, ThousandsOfObjectsAndFootnotesLoadInLinearTime) {
  constexpr int kCount = 30000;
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < kCount; ++i) rtf += "\\'01{\\pict\\pngblip 89}x{\\footnote n}";
  rtf += std::string(kCount, '\x01') + "}";
  TRTFTextIo doc;
  LoadRtf(doc, rtf);
  std::set<uint16_t> tags, ids, notes;
  for (const auto& o : doc.Objects()) (o->tag ? tags.insert(o->tag) : ids.insert(o->id));
  for (const TFootnote& f : doc.Footnotes()) notes.insert(f.id);
  EXPECT_EQ(tags.size(), size_t(kCount));  // \'01 objects: tags from 2000 up
  EXPECT_EQ(ids.size(), size_t(kCount));   // pictures: internal ids
  EXPECT_EQ(notes.size(), size_t(kCount));
  EXPECT_EQ(doc.Par(0).Length(), size_t(3 * kCount));  // raw 0x01 bytes are no objects
  // Numbers run out at 65,535: the text is kept and the rest left out.
  std::string many = "{\\rtf1 ";
  for (int i = 0; i < 70000; ++i) many += "{\\footnote n}";
  LoadRtf(doc, many + "end}");
  EXPECT_EQ(Text(doc), "end");
  EXPECT_LE(doc.Footnotes().size(), 65535u);
}

TEST(Hostile, PictureFilesNamedInADocumentAreNeverOpened) {
  quillet::testing::TempDir dir;
  Doc bitmap;  // a real picture file beside the document
  auto pic = std::make_shared<TPicture>();
  pic->kind = TPicture::Kind::Bitmap;
  pic->width = pic->height = 1;
  pic->bitsPerPixel = 8;
  pic->widthBytes = 2;
  pic->data = std::string(2, '\x7f');
  std::filesystem::path file = dir.Write("photo.bmp", BitmapToBmp(*pic));
  std::string rtf = "{\\rtf1 a{\\*\\picfile\\picwgoal300\\pichgoal200 \"" + file.string() + "\"}b}";
  TRTFTextIo doc;
  LoadRtf(doc, rtf);
  ASSERT_EQ(doc.Objects().size(), 1u);
  EXPECT_EQ(doc.Objects()[0]->fileName, file.string());
  EXPECT_FALSE(doc.Objects()[0]->picture);  // drawn as the placeholder
  EXPECT_EQ(Text(doc), "a\x01" "b");
  // The program may still provide the picture itself.
  TRTFTextIo provided;
  int asked = 0;
  provided.OnProvideObject = [&](uint16_t, TTextObject& o) {
    ++asked;
    o.picture = pic;
  };
  LoadRtf(provided, rtf);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(provided.Objects()[0]->picture);
}

TEST(Hostile, PictureSizesAreCheckedAgainstTheBytesPresent) {
  TRTFTextIo doc;
  LoadRtf(doc, "{\\rtf1 {\\pict\\wbitmap0\\picw10000\\pich10000\\wbmbitspixel8\\wbmplanes1"
               "\\wbmwidthbytes1 00}}");
  ASSERT_EQ(doc.Objects().size(), 1u);
  ASSERT_TRUE(doc.Objects()[0]->picture);
  EXPECT_FALSE(PictureFitsData(*doc.Objects()[0]->picture));

  auto bitmap = [](int w, int h, int widthBytes, size_t bytes) {
    TPicture p;
    p.kind = TPicture::Kind::Bitmap;
    p.width = w, p.height = h, p.bitsPerPixel = 8, p.widthBytes = widthBytes;
    p.data.assign(bytes, '\0');
    return p;
  };
  EXPECT_TRUE(PictureFitsData(bitmap(4, 3, 4, 12)));
  EXPECT_FALSE(PictureFitsData(bitmap(4, 3, 4, 11)));  // a row short
  EXPECT_FALSE(PictureFitsData(bitmap(4, 3, 1, 12)));  // rows narrower than the pixels
  EXPECT_FALSE(PictureFitsData(bitmap(0, 3, 4, 12)));
  TPicture bmp;
  bmp.kind = TPicture::Kind::Dib;
  bmp.data = BitmapToBmp(bitmap(4, 3, 4, 12));
  EXPECT_TRUE(PictureFitsData(bmp));
  bmp.data[22] = '\xff', bmp.data[23] = '\xff';  // 65,535 rows stated, 3 present
  EXPECT_FALSE(PictureFitsData(bmp));
}

TEST(Hostile, HugeNumbersAreClampedWhereTheyAreRead) {
  TwoSaves s("{\\rtf1 \\li2147483647\\fi2147483647\\ri-2147483648\\sb99999999999 a\\par"
             "{\\pict\\picscalex2147483647\\picwgoal2147483647\\pichgoal5\\pngblip 89}\\par}");
  EXPECT_EQ(s.first, s.second);
  TRTFTextIo doc;
  LoadRtf(doc, s.first);
  EXPECT_GT(doc.Par(0).leftIndent, 0);
  EXPECT_GE(doc.Par(0).firstIndent, doc.Par(0).leftIndent);
  EXPECT_LT(doc.Par(0).rightIndent, 0);
  EXPECT_GT(doc.Objects()[0]->width, 0);
}

// A long paragraph grows to what the input still holds of it rather than
// doubling, so its characters are not held twice over while it is read.
TEST(Hostile, ALongParagraphTakesTheRoomItNeeds) {
  constexpr size_t kLength = 1100000;
  TRTFTextIo doc;
  LoadRtf(doc, "{\\rtf1 " + std::string(kLength, 'x') + "}");
  const TParagraph& p = doc.Par(0);
  ASSERT_EQ(p.Length(), kLength);
  EXPECT_LE(p.text.capacity(), kLength + kLength / 8);
  EXPECT_LE(p.attrs.capacity(), kLength + kLength / 8);
}

// The paragraph list is made once at the size the text can need: many short
// paragraphs hold no spare pointers, and paragraph ends in a skipped group
// leave no room behind.
TEST(Hostile, ManyParagraphsTakeTheListTheyNeed) {
  std::string ends;
  for (int i = 0; i < 100000; ++i) ends += "\\par";
  struct Case {
    std::string rtf;
    size_t paragraphs;
  } cases[] = {
      {"{\\rtf1 " + ends + "}", 100001},
      {"{\\rtf1 {\\*\\unknown " + ends + "}a}", 1},
  };
  for (const Case& c : cases) {
    TRTFTextIo doc;
    LoadRtf(doc, c.rtf);
    ASSERT_EQ(doc.Size(), c.paragraphs);
    EXPECT_LE(doc.Paragraphs().capacity(), c.paragraphs + c.paragraphs / 64 + 64);
  }
}

// A file of blank lines holds one paragraph for a run of alike blank ones:
// reading the document (laying it out, writing it, finding in it) copies
// none, a change copies only the paragraph changed, and properties the
// reader finishes at the end are finished once for the run.
TEST(Hostile, BlankLinesShareAParagraphUntilOneIsChanged) {
  constexpr size_t kBlank = 1000;
  std::string ends, lines(kBlank, '\n');
  for (size_t i = 0; i < kBlank; ++i) ends += "\\par";
  auto distinct = [](const TRTFText::ParagraphList& list) {
    std::set<const TParagraph*> seen;
    for (const auto& p : list) seen.insert(p.get());
    return seen.size();
  };
  TRTFTextIo single;
  LoadRtf(single, "{\\rtf1 \\fi-360\\li700\\qc\\par x}");
  for (bool plain : {false, true}) {
    SCOPED_TRACE(plain ? "plain text" : "RTF");
    TRTFTextIo doc;
    if (plain) {
      doc.loadFormat = FormatANSI;
      doc.LoadFromStream(lines + "x");
    } else {
      LoadRtf(doc, "{\\rtf1 \\fi-360\\li700\\qc" + ends + " x}");
    }
    ASSERT_EQ(doc.Size(), kBlank + 1);
    const size_t shared = distinct(doc.Paragraphs());
    EXPECT_LE(shared, kBlank / 255 + 2);  // a holder count tells up to 255 sharers
    if (!plain) {
      for (size_t i : {size_t(0), kBlank / 2, kBlank - 1}) {
        EXPECT_TRUE(doc.Par(i).Props() == single.Par(0).Props()) << i;
      }
    }

    testing::FixedMetrics metrics;
    TLayout layout(doc, metrics);
    layout.SetWrapWidth(300);
    EXPECT_GT(layout.TotalHeight(), 0);
    std::string rtf = SaveRtf(doc);
    EXPECT_EQ(PlainTextLines(doc), lines + "x\n");
    TTextFinder finder(doc);
    EXPECT_TRUE(finder.FindNext(U"x"));
    EXPECT_EQ(distinct(doc.Paragraphs()), shared) << "reading copied paragraphs";

    doc.InsertTextAt(kBlank / 2, 0, U"y", nullptr);
    doc.MutablePar(10).rightIndent = 1440;
    EXPECT_EQ(distinct(doc.Paragraphs()), shared + 2);
    for (size_t i : {size_t(9), size_t(11), kBlank / 2 - 1, kBlank / 2 + 1}) {
      EXPECT_TRUE(doc.Par(i).text.empty()) << i;
      EXPECT_EQ(doc.Par(i).rightIndent, 0) << i;
    }
    EXPECT_EQ(ToUtf8(doc.Par(kBlank / 2).text), "y");
    EXPECT_EQ(doc.Par(10).rightIndent, 1440);
    TRTFTextIo again;
    LoadRtf(again, SaveRtf(doc));
    EXPECT_EQ(Text(again), Text(doc));
    doc.RemoveParagraphs(0, kBlank - 300);
    EXPECT_EQ(doc.Size(), 301u);
  }
  // Pasted, they share as they do when read.
  TRTFTextIo target;
  TRTFText::ParagraphList pasted = target.ReadRtfForInsertion("{\\rtf1 " + ends + "}");
  EXPECT_EQ(pasted.size(), kBlank + 1);
  EXPECT_LE(distinct(pasted), kBlank / 255 + 2);
}

}  // namespace
}  // namespace richtext
