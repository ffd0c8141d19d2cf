// Finding, replacing, the word walk and the operations the diary calls.
#include <richtext/ui/rich_text.h>

#include "../doc_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Text;

struct Widget {
  TRichText edit;
  explicit Widget(const char* rtf) {
    edit.resize(400, 300);
    edit.show();
    edit.LoadFromStream(rtf);
  }
  QString Selected() {
    TFragment f = edit.Editor().Copy(edit.Editor().SelStart(), edit.Editor().SelEnd());
    std::string s;
    for (size_t i = 0; i < f.paragraphs.size(); ++i) s += (i ? "|" : "") + ToUtf8(f.paragraphs[i].text);
    return QString::fromStdString(s);
  }
};

TEST(FindDialog, FindsDownAndUpWithItsOptions) {
  Widget w("{\\rtf1 Cat and cat\\par concatenate CAT}");
  w.edit.ShowFindDialog();
  TFindDialog* d = w.edit.FindDialog();
  ASSERT_TRUE(d);
  QTest::keyClicks(d->findEdit, "cat");
  QTest::mouseClick(d->findNext, Qt::LeftButton);
  EXPECT_EQ(w.Selected(), "Cat");
  QTest::mouseClick(d->findNext, Qt::LeftButton);
  EXPECT_EQ(w.edit.Editor().SelStart(), (TPosition{0, 8}));
  d->wholeWord->setChecked(true);
  QTest::mouseClick(d->findNext, Qt::LeftButton);  // not inside "concatenate"
  EXPECT_EQ(w.edit.Editor().SelStart(), (TPosition{1, 12}));
  d->up->setChecked(true);
  d->matchCase->setChecked(true);
  QTest::mouseClick(d->findNext, Qt::LeftButton);
  EXPECT_EQ(w.edit.Editor().SelStart(), (TPosition{0, 8}));
  EXPECT_EQ(w.edit.Editor().caret, (TPosition{0, 8}));  // going up, the caret stands before
  // The match-case choice holds for FindString.
  EXPECT_FALSE(w.edit.FindString("CAt", false));
  EXPECT_TRUE(w.edit.FindString("CAT", true));
  EXPECT_EQ(w.edit.Editor().SelStart(), (TPosition{1, 12}));
  TPosition before = w.edit.Editor().caret;
  EXPECT_FALSE(w.edit.FindString("dog", false));
  EXPECT_EQ(w.edit.Editor().caret, before);
}

TEST(FindDialog, ReplaceAndReplaceAllKeepTheAttributeAndUndoAsOne) {
  Widget w("{\\rtf1 {\\b cat} and cat and cat}");
  w.edit.ShowReplaceDialog();
  TFindDialog* d = w.edit.FindDialog();
  QTest::keyClicks(d->findEdit, "cat");
  QTest::keyClicks(d->replaceEdit, "dog");
  QTest::mouseClick(d->replaceButton, Qt::LeftButton);  // first finds
  EXPECT_EQ(w.Selected(), "cat");
  QTest::mouseClick(d->replaceButton, Qt::LeftButton);  // then replaces
  EXPECT_EQ(Text(w.edit.Document()), "dog and cat and cat");
  EXPECT_EQ(w.Selected(), "dog");
  TRTFText& doc = w.edit.Document();
  EXPECT_TRUE(doc.CharAttr(doc.Par(0), 1).flags & afBold);
  QTest::mouseClick(d->replaceAll, Qt::LeftButton);
  EXPECT_EQ(Text(doc), "dog and dog and dog");
  w.edit.Undo();
  EXPECT_EQ(Text(doc), "dog and cat and cat");
}

TEST(FindDialog, ReplaceAllStopsWhenEscapeIsHeld) {
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 100; ++i) rtf += "ab ";
  Widget w((rtf + "}").c_str());
  int checks = 0;
  w.edit.escapePressed = [&] { return ++checks == 1; };
  w.edit.ShowReplaceDialog();
  TFindDialog* d = w.edit.FindDialog();
  QTest::keyClicks(d->findEdit, "ab");
  QTest::keyClicks(d->replaceEdit, "x");
  QTest::mouseClick(d->replaceAll, Qt::LeftButton);
  EXPECT_EQ(Text(w.edit.Document()).substr(0, 6), "x x x ");
  EXPECT_NE(Text(w.edit.Document()).find("ab"), std::string::npos);  // stopped after 30
}

TEST(WordWalk, WalksSelectsAndReplacesWords) {
  Widget w("{\\rtf1 Teh {\\v hidden} cat, sat.}");
  w.edit.StartWordWalk();
  EXPECT_EQ(w.edit.NextWord(), "Teh");
  w.edit.SelectWord();
  EXPECT_EQ(w.Selected(), "Teh");
  w.edit.ReplaceSelection("The");
  EXPECT_EQ(w.Selected(), "The");
  EXPECT_EQ(w.edit.NextWord(), "cat");
  EXPECT_EQ(w.edit.NextWord(), "sat");
  EXPECT_EQ(w.edit.NextWord(), "");
  EXPECT_EQ(Text(w.edit.Document()), "The hidden cat, sat.");
}

TEST(Operations, MarksParagraphsAndGraphics) {
  Widget w("{\\rtf1 abcdef\\par ghi}");
  w.edit.MarkStart(2);
  w.edit.MarkLength(6);
  EXPECT_EQ(w.Selected(), "cdef|g");
  w.edit.MarkStart(0);
  w.edit.MarkLength(0);
  EXPECT_EQ(w.edit.HasSelection(), 0u);
  w.edit.SelectAll();
  EXPECT_EQ(w.edit.HasSelection(), 11u);  // characters and paragraph ends

  w.edit.SetCaretToStart();
  w.edit.SetParagraphIndents(720, 360, 0);
  EXPECT_EQ(w.edit.GetCaretParagraph().leftIndent, 360);
  w.edit.SetParagraphSpacing(120, 0, 240);
  EXPECT_EQ(w.edit.GetCaretParagraph().spaceAfter, 240);
  w.edit.Undo();
  w.edit.Undo();
  EXPECT_EQ(w.edit.GetCaretParagraph().leftIndent, 0);

  auto pic = std::make_shared<TPicture>();
  pic->kind = TPicture::Kind::Png;
  pic->width = 48;
  pic->height = 24;
  uint16_t id = w.edit.InsertGraphic(pic);
  TRTFText& doc = w.edit.Document();
  EXPECT_EQ(doc.Par(0).text[0], TChar(kObjectById));
  EXPECT_EQ(doc.FindObject(0, id)->width, 720);  // its own size at 96 dpi
  EXPECT_THROW(w.edit.InsertGraphic(nullptr), EEngineError);
  EXPECT_EQ(w.edit.GetColor(15), 0u);
  EXPECT_THROW(w.edit.FastAppendText(w.edit), EEngineError);
}

}  // namespace
}  // namespace richtext
