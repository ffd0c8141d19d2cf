// SPDX-License-Identifier: GPL-3.0-or-later
// Finding, replacing, the word walk and the operations the diary calls.
#include <richtext/ui/rich_text.h>

#include "../../support/recording_messenger.h"
#include "../doc_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using quillet::testing::RecordingMessenger;
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
  // Opens the find (or replace) dialog with the caret at `caret` and types `find` into it.
  TFindDialog* Open(bool replace, TPosition caret, const char* find) {
    edit.Editor().MoveTo(caret, false);
    replace ? edit.ShowReplaceDialog() : edit.ShowFindDialog();
    QTest::keyClicks(edit.FindDialog()->findEdit, find);
    return edit.FindDialog();
  }
};

const char* const kThreeCats = "{\\rtf1 cat and cat and cat}";

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

const std::string kReachedEnd = "The search reached the end. Continue from the beginning?";
const std::string kReachedStart = "The search reached the beginning. Continue from the end?";

// Find Next past the last match (or Up past the first) offers to go on from
// the other end; a text that is nowhere says so. Three hits: "cat" at 0, 8 and 16.
TEST(FindDialog, AtTheEndOffersToContinueAndSaysWhatIsNotFound) {
  struct Case {
    const char* name;
    const char* find;
    bool up;
    TPosition caret;
    bool answer;
    std::vector<std::string> messages;
    TPosition selStart;  // where the selection starts afterwards
    bool selected;
  };
  const Case cases[] = {
      {"down past the last, yes", "cat", false, {0, 17}, true, {kReachedEnd}, {0, 0}, true},
      {"down past the last, no", "cat", false, {0, 17}, false, {kReachedEnd}, {0, 17}, false},
      {"down at the very end", "cat", false, {0, 19}, true, {kReachedEnd}, {0, 0}, true},
      {"up before the first, yes", "cat", true, {0, 2}, true, {kReachedStart}, {0, 16}, true},
      {"nowhere", "cow", false, {0, 5}, true, {"\"cow\" was not found."}, {0, 5}, false},
      {"nowhere, going up", "cow", true, {0, 5}, true, {"\"cow\" was not found."}, {0, 5}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingMessenger messages;
    messages.answerYes = c.answer;
    Widget w(kThreeCats);
    TFindDialog* d = w.Open(false, c.caret, c.find);
    if (c.up) d->up->setChecked(true);
    QTest::mouseClick(d->findNext, Qt::LeftButton);
    EXPECT_EQ(messages.shown, c.messages);
    EXPECT_EQ(w.edit.Editor().SelStart(), c.selStart);
    EXPECT_EQ(w.edit.HasSelection() != 0, c.selected);
  }
}

TEST(FindDialog, FindNextStepsThroughThreeHitsThenWraps) {
  RecordingMessenger messages;
  Widget w("{\\rtf1 cat and cat\\par and cat}");
  w.edit.ShowFindDialog();
  TFindDialog* d = w.edit.FindDialog();
  QTest::keyClicks(d->findEdit, "cat");
  for (TPosition hit : {TPosition{0, 0}, TPosition{0, 8}, TPosition{1, 4}}) {
    QTest::mouseClick(d->findNext, Qt::LeftButton);
    EXPECT_EQ(w.edit.Editor().SelStart(), hit);
  }
  EXPECT_TRUE(messages.shown.empty());
  QTest::mouseClick(d->findNext, Qt::LeftButton);
  EXPECT_EQ(messages.shown, std::vector<std::string>{kReachedEnd});
  EXPECT_EQ(w.edit.Editor().SelStart(), (TPosition{0, 0}));
}

// Replace All goes from the caret to the end, offers to go on from the
// beginning up to where it started, and says how many it replaced.
TEST(FindDialog, ReplaceAllFromTheCaretOffersTheRestAndCounts) {
  struct Case {
    const char* name;
    const char* find;
    TPosition caret;
    bool answer;
    const char* text;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"caret at the start", "cat", {0, 0}, true, "dog and dog and dog", {"3 replacements made."}},
      {"caret at the end, yes", "cat", {0, 19}, true, "dog and dog and dog",
       {kReachedEnd, "3 replacements made."}},
      {"caret at the end, no", "cat", {0, 19}, false, "cat and cat and cat",
       {kReachedEnd, "0 replacements made."}},
      {"caret in the middle, yes", "cat", {0, 5}, true, "dog and dog and dog",
       {kReachedEnd, "3 replacements made."}},
      {"caret in the middle, no", "cat", {0, 5}, false, "cat and dog and dog",
       {kReachedEnd, "2 replacements made."}},
      {"caret inside the first match", "cat", {0, 1}, true, "dog and dog and dog",
       {kReachedEnd, "3 replacements made."}},
      {"caret before the last, no", "cat", {0, 15}, false, "cat and cat and dog",
       {kReachedEnd, "1 replacement made."}},
      {"all after the caret", "and", {0, 3}, true, "cat dog cat dog cat", {"2 replacements made."}},
      {"nowhere", "cow", {0, 5}, true, "cat and cat and cat", {"\"cow\" was not found."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingMessenger messages;
    messages.answerYes = c.answer;
    Widget w(kThreeCats);
    TFindDialog* d = w.Open(true, c.caret, c.find);
    QTest::keyClicks(d->replaceEdit, "dog");
    QTest::mouseClick(d->replaceAll, Qt::LeftButton);
    EXPECT_EQ(Text(w.edit.Document()), c.text);
    EXPECT_EQ(messages.shown, c.messages);
  }
}

TEST(FindDialog, EscapePressedDuringReplaceAllStopsIt) {
  RecordingMessenger messages;
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 100; ++i) rtf += "ab ";
  Widget w((rtf + "}").c_str());
  w.edit.ShowReplaceDialog();
  TFindDialog* d = w.edit.FindDialog();
  QTest::keyClicks(d->findEdit, "ab");
  QTest::keyClicks(d->replaceEdit, "x");
  // The user presses Escape while the replacing runs: the key waits in the
  // queue until Replace All looks at what came in.
  QCoreApplication::postEvent(d, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  QCoreApplication::postEvent(d, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
  QTest::mouseClick(d->replaceAll, Qt::LeftButton);
  std::string text = Text(w.edit.Document());
  std::string replaced;
  for (int i = 0; i < 30; ++i) replaced += "x ";
  EXPECT_EQ(text.substr(0, 60), replaced);
  EXPECT_EQ(text.substr(60, 3), "ab ");
  EXPECT_EQ(messages.shown, std::vector<std::string>{"Replace All stopped after 30 replacements."});
  QApplication::processEvents();
  EXPECT_TRUE(d->isVisible());  // the Escape stopped the replacing, not the dialog
}

// The dialogs stand clear of the match they show (and of the caret when they open).
TEST(FindDialog, DialogsStandClearOfTheMatch) {
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 40; ++i) rtf += i == 12 ? "the target line\\par " : "a filler line\\par ";
  for (bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replace" : "find");
    RecordingMessenger messages;
    Widget w((rtf + "}").c_str());
    w.edit.resize(500, 500);
    w.edit.move(0, 0);
    w.edit.Editor().MoveTo({12, 4}, false);
    QApplication::processEvents();
    auto band = [&] {
      QRect caret = w.edit.CaretRect();
      return QRect(w.edit.viewport()->mapToGlobal(QPoint(0, caret.top())),
                   QSize(w.edit.viewport()->width(), caret.height()));
    };
    replace ? w.edit.ShowReplaceDialog() : w.edit.ShowFindDialog();
    TFindDialog* d = w.edit.FindDialog();
    QApplication::processEvents();
    EXPECT_FALSE(d->frameGeometry().intersects(band()));
    // Move it back over the text, then search.
    d->move(d->x(), band().center().y() - d->height() / 2);
    ASSERT_TRUE(d->frameGeometry().intersects(band()));
    w.edit.SetCaretToStart();
    QTest::keyClicks(d->findEdit, "target");
    QTest::mouseClick(d->findNext, Qt::LeftButton);
    ASSERT_EQ(w.edit.Editor().SelStart(), (TPosition{12, 4}));
    EXPECT_FALSE(d->frameGeometry().intersects(band()));
  }
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
