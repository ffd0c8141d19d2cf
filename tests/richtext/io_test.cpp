// SPDX-License-Identifier: GPL-3.0-or-later
#include "doc_builder.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

namespace richtext {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::TempDir;
using testing::Doc;
using testing::Text;

TEST(Io, DetectsTheFormat) {
  struct Case {
    const char* bytes;
    TLoadFormat format;
  } cases[] = {
      {"{\\rtf1 x}", FormatRTF},
      {" \r\n\t\b{\\rtf1 x}", FormatRTF},
      {"x{\\rtf1}", FormatANSI},
      {"Dear diary,<br>hello", FormatHTML},
      {"<HTML><body>x", FormatHTML},
      {"a < b and c > d", FormatANSI},
      {"<verylongtag>", FormatANSI},
  };
  for (const Case& c : cases) EXPECT_EQ(TRTFTextIo::DetectFormat(c.bytes), c.format) << c.bytes;
}

TEST(Io, LoadsEveryFormat) {
  TRTFTextIo doc;
  doc.LoadFromStream("{\\rtf1 a\\par b}");
  EXPECT_EQ(doc.lastFormat, FormatRTF);
  EXPECT_EQ(Text(doc), "a|b");
  doc.LoadFromStream("line one\nline two");
  EXPECT_EQ(doc.lastFormat, FormatANSI);
  EXPECT_EQ(Text(doc), "line one|line two");
  doc.LoadFromStream("<p>One &amp; two</p><p>three<br>four</p>");
  EXPECT_EQ(doc.lastFormat, FormatHTML);
  EXPECT_EQ(Text(doc), "One & two|three\nfour");
}

TEST(Io, EmptyDocumentRule) {
  TempDir dir;
  Doc d;
  TStringStream stream;
  d.doc.SaveToStream(stream);
  EXPECT_EQ(stream.bytes, "");  // RTF asked for an empty document: plain text instead
  ASSERT_EQ(d.doc.SaveToFile(dir / "empty.rtf"), ioOk);
  EXPECT_EQ(ReadFile(dir / "empty.rtf").substr(0, 6), "{\\rtf1");
  EXPECT_EQ(d.doc.fileName, dir / "empty.rtf");
}

TEST(Io, SaveFormatFollowsNameThenLastLoadThenMode) {
  TempDir dir;
  Doc d;
  d.Para(0, U"text");
  d.doc.SaveToFile(dir / "a.QXE");
  EXPECT_EQ(ReadFile(dir / "a.QXE").substr(0, 6), "{\\rtf1");  // rich mode: RTF
  d.doc.LoadFromStream("plain text");
  d.doc.SaveToFile(dir / "b.QXE");
  EXPECT_EQ(ReadFile(dir / "b.QXE"), "plain text");  // loaded as plain, saved as plain
  d.doc.SaveToFile(dir / "c.Rtf");
  EXPECT_EQ(ReadFile(dir / "c.Rtf").substr(0, 6), "{\\rtf1");
  d.doc.SaveToFile(dir / "d.htm");
  EXPECT_NE(ReadFile(dir / "d.htm").find(">plain text</span></p>"), std::string::npos) << ReadFile(dir / "d.htm");

  TRTFTextIo back;
  EXPECT_EQ(back.LoadFromFile(dir / "c.Rtf"), ioOk);
  EXPECT_EQ(Text(back), "plain text");
  EXPECT_EQ(back.LoadFromFile(dir / "missing.rtf"), ioFailed);
}

TEST(Io, HeaderOperations) {
  Doc a, b;
  a.doc.FontNumber("Courier New");
  a.doc.Header().colors[3] = 0x123456;
  a.doc.SetPageLayout(100, -1000, 300, -1000, 10000, -1000);
  EXPECT_EQ(a.doc.Header().marginLeft, 100);
  EXPECT_EQ(a.doc.Header().marginRight, 1880);
  EXPECT_EQ(a.doc.Header().pageWidth, 10000);
  b.doc.CopyHeaderFrom(a.doc);
  EXPECT_EQ(b.doc.Header().fonts[1].name, "Courier New");
  EXPECT_EQ(b.doc.GetColor(3), 0x123456u);
  EXPECT_EQ(b.doc.GetColor(15), 0u);
  EXPECT_EQ(b.doc.Header().marginTop, 300);
}

TEST(Io, FastAppendCarriesFontsTabsAndObjects) {
  Doc a, b;
  a.Para(0, U"first");
  int verdana = b.doc.FontNumber("Verdana");
  b.doc.Header().AddTab(2880, tkCenter);
  TAttr va = Doc::With(afBold);
  va.font = uint8_t(verdana);
  TParagraph& p = b.Para(0, U"second", va);
  p.tabSet = b.doc.Header().scratchMask;
  auto pic = std::make_shared<TPicture>();
  TTextObject* o = b.doc.AddObject(pic, 0);
  TAttr oa = Doc::With(afObject);
  oa.id = o->id;
  b.Add(0, U"\x02", oa);

  a.doc.FastAppendText(b.doc);
  EXPECT_EQ(Text(a.doc), "first|second\x02");
  TAttr got = a.doc.CharAttr(a.doc.Par(1), 0);
  EXPECT_EQ(a.doc.Header().fonts[got.font].name, "Verdana");
  int tab = a.doc.Header().FindTab(2880, tkCenter);
  ASSERT_GE(tab, 0);
  EXPECT_EQ(a.doc.Par(1).tabSet, uint64_t(1) << tab);
  TAttr obj = a.doc.CharAttr(a.doc.Par(1), 6);
  EXPECT_EQ(a.doc.ObjectOf(a.doc.Par(1).text[6], obj)->picture, pic);
  EXPECT_THROW(a.doc.FastAppendText(a.doc), EEngineError);
}

TEST(Io, InsertParagraphWith) {
  Doc d;
  TParagraphDescriptor desc;
  desc.text = U"break";
  desc.pageBreak = true;
  desc.alignment = alCenter;
  desc.attr = Doc::With(afBold);
  size_t n = d.doc.InsertParagraphWith(0, desc);
  EXPECT_EQ(n, 1u);
  EXPECT_TRUE(d.doc.Par(1).flags & pfPageBreak);  // a paragraph precedes it
  EXPECT_EQ(d.doc.Par(1).alignment, alCenter);
  EXPECT_EQ(d.doc.CharAttr(d.doc.Par(1), 0).flags, afBold);
}

}  // namespace
}  // namespace richtext
