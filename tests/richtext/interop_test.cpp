// SPDX-License-Identifier: GPL-3.0-or-later
// Another program opens what the writer writes: LibreOffice, when installed,
// converts our entries and clipboard copies, and the tests look at what it made
// of them. Without soffice the tests are skipped.
#include "doc_builder.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace richtext {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::TempDir;
using testing::Doc;

bool HaveSoffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// Converts dir/name with LibreOffice to `format` (an extension, or extension:filter)
// and returns what it wrote, named like the file with the extension `ext`.
std::string Convert(const TempDir& dir, const std::string& name, const std::string& format,
                    const std::string& ext) {
  std::string command = "cd '" + dir.path().string() + "' && HOME='" + dir.path().string() +
                        "' timeout 120 soffice --headless --convert-to '" + format + "' " + name +
                        " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return ReadFile(dir / (name.substr(0, name.rfind('.')) + "." + ext));
}

// "#rrggbb" of one of the document's colours (kept as 0xBBGGRR).
std::string Hex(uint32_t bgr) {
  char out[8];
  std::snprintf(out, sizeof out, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
  return out;
}

// A 2x2 24-bit device-independent bitmap as a BMP file.
std::shared_ptr<TPicture> SmallBitmap() {
  auto pic = std::make_shared<TPicture>();
  pic->kind = TPicture::Kind::Bitmap;
  pic->width = 2;
  pic->height = 2;
  pic->bitsPerPixel = 24;
  pic->planes = 1;
  pic->widthBytes = 6;
  pic->data = std::string("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12);
  return pic;
}

TEST(Interop, LibreOfficeOpensAnEntryWithAPicture) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice is not installed";
  TempDir dir;
  Doc d;
  d.Para(0, U"Before the picture ");
  TTextObject* o = d.doc.AddObject(SmallBitmap(), 0);
  TAttr a = Doc::With(afObject);
  a.id = o->id;
  d.Add(0, U"\x02", a);
  d.Add(0, U" after the picture.", Doc::Plain());
  d.Para(1, U"Second paragraph");
  d.doc.writeOptions.writeBitmapAsDib = true;  // as the diary's editors write bitmaps
  ASSERT_EQ(d.doc.SaveToFile(dir / "entry.rtf"), ioOk);

  std::string text = Convert(dir, "entry.rtf", "txt:Text (encoded):UTF8", "txt");
  EXPECT_NE(text.find("Before the picture"), std::string::npos) << text;
  EXPECT_NE(text.find("after the picture."), std::string::npos) << text;
  EXPECT_NE(text.find("Second paragraph"), std::string::npos) << text;
}

// A highlight copied out reaches LibreOffice: the clipboard's RTF states the
// character background as \chcbpat beside the \cb that entries keep (LibreOffice
// ignores \cb alone).
TEST(Interop, LibreOfficeShowsTheBackgroundOfCopiedText) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice is not installed";
  TempDir dir;
  Doc d;
  d.Para(0, U"plain ");
  TAttr marked = Doc::Plain();
  marked.SetBackColor(4);  // yellow in our table
  d.Add(0, U"marked", marked);
  d.Add(0, U" text", Doc::Plain());
  std::string yellow = Hex(d.doc.Header().colors[4]);
  ASSERT_EQ(yellow, "#ffff00");
  TWriteOptions clipboard;
  clipboard.backgroundAsShading = true;
  std::ofstream(dir / "copy.rtf", std::ios::binary) << d.Rtf(clipboard);
  std::string odt = Convert(dir, "copy.rtf", "fodt", "fodt");
  EXPECT_NE(odt.find("fo:background-color=\"" + yellow + "\""), std::string::npos) << odt;
  EXPECT_NE(odt.find(">marked<"), std::string::npos) << odt;
}

// An entry as the diary saves it, with bold and coloured text, a table and a
// picture, opens in LibreOffice with its text, formatting, table and picture.
TEST(Interop, LibreOfficeOpensASavedEntryWithItsFormattingTableAndPicture) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice is not installed";
  TempDir dir;
  Doc d;
  d.Para(0, U"Plain ");
  d.Add(0, U"bold", Doc::With(afBold));
  TAttr red = Doc::Plain();
  red.SetTextColor(1);
  d.Add(0, U" red", red);
  TAttr onYellow = Doc::Plain();
  onYellow.SetBackColor(4);
  d.Add(0, U" onyellow", onYellow);
  d.Para(1, U"Picture: ");
  TTextObject* o = d.doc.AddObject(SmallBitmap(), 0);
  TAttr a = Doc::With(afObject);
  a.id = o->id;
  d.Add(1, U"\x02", a);
  // A table of two rows of two cells after the picture.
  TRTFText::ParagraphList table = d.doc.ReadRtfForInsertion(
      "{\\rtf1\\trowd\\clbrdrl\\brdrs\\cellx2000\\clbrdrl\\brdrs\\cellx4000"
      "\\pard\\intbl North\\cell South\\cell\\row"
      "\\trowd\\cellx2000\\cellx4000\\pard\\intbl East\\cell West\\cell\\row}");
  ASSERT_GE(table.size(), 4u);
  size_t last = 2 + table.size();
  d.doc.InsertParagraphs(2, std::move(table));
  d.Para(last, U"Last line.");
  d.doc.writeOptions.writeBitmapAsDib = true;
  ASSERT_EQ(d.doc.SaveToFile(dir / "entry.rtf"), ioOk);
  std::string odt = Convert(dir, "entry.rtf", "fodt", "fodt");
  for (const char* text : {">bold<", ">North<", ">South<", ">East<", ">West<", ">Last line.<"}) {
    EXPECT_NE(odt.find(text), std::string::npos) << text << "\n" << odt;
  }
  EXPECT_NE(odt.find("fo:font-weight=\"bold\""), std::string::npos);
  EXPECT_NE(odt.find("fo:color=\"" + Hex(d.doc.Header().colors[1]) + "\""), std::string::npos);
  EXPECT_NE(odt.find("<table:table "), std::string::npos);
  size_t rows = 0;
  for (size_t at = odt.find("<table:table-row"); at != std::string::npos; at = odt.find("<table:table-row", at + 1)) ++rows;
  EXPECT_EQ(rows, 2u);
  EXPECT_NE(odt.find("<draw:image"), std::string::npos);
}

TEST(Interop, LibreOfficeShowsOurListsAndItsListsLoadAsLists) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice is not installed";
  TempDir dir;
  Doc d;
  const struct {
    const char32_t* text;
    uint8_t kind, level;
  } items[] = {{U"Groceries", lkNone, 0}, {U"Apples", lkBullet, 0}, {U"Pears", lkBullet, 0},
               {U"Plan", lkNone, 0},      {U"Wake", lkNumber, 0},  {U"Tea", lkBullet, 1},
               {U"Walk", lkNumber, 0},    {U"Done", lkNone, 0}};
  for (size_t i = 0; i < std::size(items); ++i) {
    SetListProps(d.Para(i, items[i].text), items[i].kind, items[i].level, d.doc.Header());
  }
  ASSERT_EQ(d.doc.SaveToFile(dir / "entry.rtf"), ioOk);
  // Its text export puts each label before its item, once.
  std::string text = Convert(dir, "entry.rtf", "txt:Text (encoded):UTF8", "txt");
  for (const char* line : {"\u2022 Apples", "\u2022 Pears", "1. Wake", "\u2022 Tea"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  EXPECT_EQ(text.find("1. 1."), std::string::npos) << text;

  // Saved again by LibreOffice, in its own way of writing lists.
  Convert(dir, "entry.rtf", "odt", "odt");
  std::filesystem::remove(dir / "entry.rtf");
  Convert(dir, "entry.odt", "rtf", "rtf");
  TRTFTextIo back;
  ASSERT_EQ(back.LoadFromFile(dir / "entry.rtf"), ioOk);
  std::vector<std::string> got;
  for (size_t i = 0; i < back.Size(); ++i) {
    if (back.Par(i).text.empty()) continue;
    got.push_back(ToUtf8(back.Par(i).text) + "/" + std::to_string(back.Par(i).listKind) + "/" +
                  std::to_string(back.Par(i).listLevel));
  }
  // It keeps each item's kind; the nested item comes back as a list of its own.
  std::vector<std::string> want;
  for (const auto& item : items) want.push_back(ToUtf8(item.text) + "/" + std::to_string(item.kind) + "/0");
  EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace richtext
