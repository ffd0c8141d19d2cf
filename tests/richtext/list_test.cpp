// SPDX-License-Identifier: GPL-3.0-or-later
// Bulleted and numbered lists: their labels, how they are stored and read
// back, lists written by other programs, and the editing keys of list items.
#include "doc_builder.h"

#include <richtext/editor.h>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;
using testing::LoadRtf;
using testing::SaveRtf;
using testing::Text;

// A paragraph of a list shape: its text, kind and level.
struct Item {
  const char32_t* text;
  uint8_t kind;
  uint8_t level;
};

void Build(Doc& d, const std::vector<Item>& items) {
  for (size_t i = 0; i < items.size(); ++i) {
    TParagraph& p = d.Para(i, items[i].text);
    SetListProps(p, items[i].kind, items[i].level, d.doc.Header());
  }
}

std::string Labels(const TRTFText& doc) {
  std::string out;
  for (size_t i = 0; i < doc.Size(); ++i) {
    if (i) out += "|";
    out += ToUtf8(doc.ListLabel(i));
  }
  return out;
}

struct Shape {
  const char* name;
  std::vector<Item> items;
  const char* labels;
};

const Shape kShapes[] = {
    {"bulleted", {{U"tea", lkBullet, 0}, {U"milk", lkBullet, 0}}, "\u2022|\u2022"},
    {"numbered", {{U"wake", lkNumber, 0}, {U"walk", lkNumber, 0}, {U"write", lkNumber, 0}}, "1.|2.|3."},
    {"nested",
     {{U"morning", lkNumber, 0},
      {U"coffee", lkNumber, 1},
      {U"paper", lkNumber, 1},
      {U"evening", lkNumber, 0},
      {U"book", lkBullet, 1},
      {U"bed", lkNumber, 1}},
     "1.|1.|2.|2.|\u2022|1."},
    {"mixed with plain paragraphs",
     {{U"Shopping:", lkNone, 0},
      {U"bread", lkBullet, 0},
      {U"Steps:", lkNone, 0},
      {U"first", lkNumber, 0},
      {U"second", lkNumber, 0},
      {U"The end.", lkNone, 0},
      {U"again", lkNumber, 0}},
     "|\u2022||1.|2.||1."},
};

TEST(Lists, ShapesSurviveWritingAndReading) {
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    Doc d;
    Build(d, shape.items);
    EXPECT_EQ(Labels(d.doc), shape.labels);
    std::string rtf = SaveRtf(d.doc);
    EXPECT_NE(rtf.find("\\pntext"), std::string::npos) << rtf;

    TRTFTextIo back;
    LoadRtf(back, rtf);
    // The label text is not read as part of the item.
    EXPECT_EQ(Text(back), Text(d.doc)) << rtf;
    ASSERT_EQ(back.Size(), shape.items.size());
    for (size_t i = 0; i < back.Size(); ++i) {
      EXPECT_EQ(back.Par(i).listKind, shape.items[i].kind) << i << "\n" << rtf;
      EXPECT_EQ(back.Par(i).listLevel, shape.items[i].level) << i << "\n" << rtf;
      EXPECT_EQ(back.Par(i).leftIndent, d.doc.Par(i).leftIndent) << i;
      EXPECT_EQ(back.Par(i).firstIndent, d.doc.Par(i).firstIndent) << i;
    }
    EXPECT_EQ(Labels(back), shape.labels);
    EXPECT_EQ(SaveRtf(back), rtf);
  }
}

TEST(Lists, StoredWithNumberingWordsAndLabelText) {
  Doc d;
  Build(d, {{U"one", lkNumber, 0}, {U"two", lkNumber, 0}, {U"dot", lkBullet, 1}, {U"after", lkNone, 0}});
  std::string rtf = SaveRtf(d.doc);
  for (const char* word : {"{\\*\\pn\\pnlvlbody\\pndec", "{\\pntext 1.\\tab}", "{\\pntext 2.\\tab}",
                           "\\pnlvlblt\\ilvl1", "{\\pntext \\'95\\tab}"}) {
    EXPECT_NE(rtf.find(word), std::string::npos) << word << "\n" << rtf;
  }
  // The paragraph after the list is outside the list's group.
  size_t after = rtf.find("after");
  ASSERT_NE(after, std::string::npos);
  EXPECT_EQ(rtf.find("\\pntext", after), std::string::npos);
}

// What a word processor writes for a list: list tables, \ls and \ilvl on
// the items, and the label as {\listtext} for readers without lists.
constexpr const char* kForeignLists =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fnil Symbol;}}"
    "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}"
    "{\\levelnumbers;}\\fi-360\\li720}\\listid100}"
    "{\\list\\listtemplateid2{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}"
    "\\fi-360\\li720}{\\listlevel\\levelnfc4{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}"
    "\\fi-360\\li1440}\\listid200}}"
    "{\\*\\listoverridetable{\\listoverride\\listid100\\listoverridecount0\\ls1}"
    "{\\listoverride\\listid200\\listoverridecount0\\ls2}}"
    "\\pard\\plain Before\\par"
    "{\\listtext\\pard\\plain\\f1 \\u-3913 ?\\tab}\\pard\\plain\\ilvl0\\ls1\\fi-360\\li720 Apples\\par"
    "{\\listtext\\pard\\plain\\f1 \\u-3913 ?\\tab}\\pard\\plain\\ilvl0\\ls1\\fi-360\\li720 Pears\\par"
    "{\\listtext\\pard\\plain 1.\\tab}\\pard\\plain\\ilvl0\\ls2\\fi-360\\li720 First\\par"
    "{\\listtext\\pard\\plain a)\\tab}\\pard\\plain\\ilvl1\\ls2\\fi-360\\li1440 Inner\\par"
    "{\\listtext\\pard\\plain 2.\\tab}\\pard\\plain\\ilvl0\\ls2\\fi-360\\li720 Second\\par"
    "\\pard\\plain After\\par}";

TEST(Lists, ForeignListsLoadAsListsWithoutTheirLabelText) {
  TRTFTextIo doc;
  LoadRtf(doc, kForeignLists);
  EXPECT_EQ(Text(doc), "Before|Apples|Pears|First|Inner|Second|After|");
  const std::pair<uint8_t, uint8_t> expected[] = {{lkNone, 0},   {lkBullet, 0}, {lkBullet, 0}, {lkNumber, 0},
                                                  {lkNumber, 1}, {lkNumber, 0}, {lkNone, 0}};
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(doc.Par(i).listKind, expected[i].first) << i;
    EXPECT_EQ(doc.Par(i).listLevel, expected[i].second) << i;
  }
  EXPECT_EQ(ToUtf8(doc.ListLabel(4)), "1.");
  EXPECT_EQ(ToUtf8(doc.ListLabel(5)), "2.");
}

TEST(Lists, DocumentsWithoutListsWriteNoListWords) {
  Doc d;
  d.Para(0, U"Just a day.");
  d.Para(1, U"1. typed by hand");
  std::string rtf = SaveRtf(d.doc);
  EXPECT_EQ(rtf.find("\\pn"), std::string::npos) << rtf;
  TRTFTextIo back;
  LoadRtf(back, rtf);
  EXPECT_FALSE(back.Par(1).IsListItem());
}

struct EditFixture {
  Doc d;
  TEditor ed{d.doc};
};

TEST(Lists, EditorTogglesListsAndChangesLevels) {
  EditFixture f;
  f.d.Para(0, U"one");
  f.d.Para(1, U"two");
  f.ed.Select({0, 1}, {1, 1});
  f.ed.ToggleList(lkNumber);
  EXPECT_EQ(Labels(f.d.doc), "1.|2.");
  // Numbered items made bulleted, then the same command again ends the list.
  f.ed.ToggleList(lkBullet);
  EXPECT_EQ(Labels(f.d.doc), "\u2022|\u2022");
  f.ed.ToggleList(lkBullet);
  EXPECT_EQ(Labels(f.d.doc), "|");
  EXPECT_EQ(f.d.doc.Par(0).leftIndent, 0);
  f.ed.Undo();
  EXPECT_EQ(Labels(f.d.doc), "\u2022|\u2022");

  // Tab at the start of an item nests it; not in the middle of the text.
  f.ed.MoveTo({1, 1}, false);
  EXPECT_FALSE(f.ed.ChangeListLevel(1));
  f.ed.MoveTo({1, 0}, false);
  EXPECT_TRUE(f.ed.ChangeListLevel(1));
  EXPECT_EQ(f.d.doc.Par(1).listLevel, 1);
  int32_t step = f.d.doc.Header().RoundToTabGrid(kListIndentStep);
  EXPECT_EQ(f.d.doc.Par(1).leftIndent, 2 * step);
  EXPECT_EQ(f.d.doc.Par(1).firstIndent, step);
  EXPECT_TRUE(f.ed.ChangeListLevel(-1));
  EXPECT_EQ(f.d.doc.Par(1).listLevel, 0);
  // Shift+Tab on the first level ends the item's list.
  EXPECT_TRUE(f.ed.ChangeListLevel(-1));
  EXPECT_FALSE(f.d.doc.Par(1).IsListItem());
  EXPECT_FALSE(f.ed.ChangeListLevel(1));
}

TEST(Lists, EnterContinuesAListAndEndsItOnAnEmptyItem) {
  EditFixture f;
  f.d.Para(0, U"first");
  f.ed.ToggleList(lkNumber);
  f.ed.MoveTo({0, 5}, false);
  f.ed.Enter();
  f.ed.InsertText(U"second");
  EXPECT_EQ(Labels(f.d.doc), "1.|2.");
  f.ed.Enter();
  EXPECT_EQ(Labels(f.d.doc), "1.|2.|3.");
  f.ed.Enter();  // on the empty third item
  EXPECT_EQ(f.d.doc.Size(), 3u);
  EXPECT_EQ(Labels(f.d.doc), "1.|2.|");
  EXPECT_EQ(f.d.doc.Par(2).leftIndent, 0);
}

}  // namespace
}  // namespace richtext
