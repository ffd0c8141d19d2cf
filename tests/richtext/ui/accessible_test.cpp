// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget as screen readers see it: text, caret, words and lines,
// runs and editing through the interface. The events of typing reach a
// reader only over a real accessibility bus: tests/app/atspi_test.py.
#include <richtext/ui/rich_text.h>
#include <richtext/ui/rich_text_accessible.h>

#include "../doc_builder.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>


namespace richtext {
namespace {

using testing::Text;

struct Page {
  TRichText edit;
  Page(int width = 400) {
    edit.resize(width, 300);
    edit.show();
    edit.setFocus();
    QApplication::processEvents();
  }
  QAccessibleInterface* Accessible() { return QAccessible::queryAccessibleInterface(&edit); }
  QAccessibleTextInterface* TextOf() { return Accessible()->textInterface(); }
};

TEST(RichTextAccessible, IsNamedEditableTextWithTextAndCaret) {
  Page page;
  page.edit.setAccessibleName(QStringLiteral("Friday, 11 December 2026"));
  QTest::keyClicks(&page.edit, QStringLiteral("Dear diary"));
  QTest::keyClick(&page.edit, Qt::Key_Return);
  QTest::keyClicks(&page.edit, QStringLiteral("today"));
  QAccessibleInterface* a = page.Accessible();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->role(), QAccessible::EditableText);
  EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Friday, 11 December 2026"));
  EXPECT_TRUE(a->state().multiLine);
  EXPECT_TRUE(a->state().editable);
  QAccessibleTextInterface* t = a->textInterface();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->text(0, t->characterCount()), QStringLiteral("Dear diary\ntoday"));
  EXPECT_EQ(t->cursorPosition(), 16);
  QTest::keyClick(&page.edit, Qt::Key_Home);
  QTest::keyClick(&page.edit, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(t->cursorPosition(), 12);
  int start = 0, end = 0;
  ASSERT_EQ(t->selectionCount(), 1);
  t->selection(0, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(11, 12));
}

TEST(RichTextAccessible, WordsCharactersAndLinesAtOffsets) {
  Page page;
  // A character beyond 16 bits takes two offsets, as Qt counts text.
  QTest::keyClicks(&page.edit, QStringLiteral("Dear diary"));
  QTest::keyClick(&page.edit, Qt::Key_Return);
  page.edit.InsertText(QString::fromUcs4(U"to\U0001F600 day"));
  QAccessibleTextInterface* t = page.TextOf();
  struct Case {
    int offset;
    QAccessible::TextBoundaryType boundary;
    const char* text;
    int start, end;
  } cases[] = {
      {6, QAccessible::WordBoundary, "diary", 5, 10},
      {1, QAccessible::WordBoundary, "Dear", 0, 4},
      {17, QAccessible::WordBoundary, "day", 16, 19},
      {5, QAccessible::CharBoundary, "d", 5, 6},
      {16, QAccessible::CharBoundary, "d", 16, 17},
      {3, QAccessible::LineBoundary, "Dear diary\n", 0, 11},
      {12, QAccessible::LineBoundary, "to\U0001F600 day", 11, 19},
  };
  for (const Case& c : cases) {
    int start = -1, end = -1;
    QString got = t->textAtOffset(c.offset, c.boundary, &start, &end);
    EXPECT_EQ(got, QString::fromUtf8(c.text)) << c.offset << " " << int(c.boundary);
    EXPECT_EQ(std::pair(start, end), std::pair(c.start, c.end)) << c.offset << " " << int(c.boundary);
  }
  int start = -1, end = -1;
  EXPECT_EQ(t->textBeforeOffset(13, QAccessible::LineBoundary, &start, &end), QStringLiteral("Dear diary\n"));
  EXPECT_EQ(t->textAfterOffset(2, QAccessible::LineBoundary, &start, &end), QString::fromUcs4(U"to\U0001F600 day"));
  EXPECT_EQ(start, 11);
  // Setting the caret through the interface lands after the wide character, not inside it.
  t->setCursorPosition(15);
  EXPECT_EQ(page.edit.Editor().caret, (TPosition{1, 3}));
}

TEST(RichTextAccessible, LinesAreTheWrappedLinesShown) {
  Page page(120);
  page.edit.InsertText(QStringLiteral("one two three four five six seven eight nine ten"));
  QAccessibleTextInterface* t = page.TextOf();
  int start = -1, end = -1;
  QString first = t->textAtOffset(0, QAccessible::LineBoundary, &start, &end);
  EXPECT_EQ(start, 0);
  EXPECT_GT(end, 3);
  EXPECT_LT(end, t->characterCount());
  EXPECT_TRUE(QStringLiteral("one two three four five six seven eight nine ten").startsWith(first));
  int nextStart = -1, nextEnd = -1;
  t->textAfterOffset(0, QAccessible::LineBoundary, &nextStart, &nextEnd);
  EXPECT_EQ(nextStart, end);
  // The box of a character lies on the screen where the page shows it.
  QRect box = t->characterRect(1);
  EXPECT_GT(box.width(), 0);
  EXPECT_EQ(t->offsetAtPoint(box.center()), 1);
}

TEST(RichTextAccessible, RunsCarryTheirLook) {
  Page page;
  page.edit.LoadFromStream("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24\\b bold\\b0  plain\\par}");
  QAccessibleTextInterface* t = page.TextOf();
  int start = -1, end = -1;
  QString bold = t->attributes(2, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(0, 4));
  EXPECT_TRUE(bold.contains(QStringLiteral("font-weight:bold;"))) << bold.toStdString();
  EXPECT_TRUE(bold.contains(QStringLiteral("font-family:Arial;"))) << bold.toStdString();
  EXPECT_TRUE(bold.contains(QStringLiteral("font-size:12pt;"))) << bold.toStdString();
  QString plain = t->attributes(6, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(4, 10));
  EXPECT_TRUE(plain.contains(QStringLiteral("font-weight:normal;"))) << plain.toStdString();
}

TEST(RichTextAccessible, EditsThroughTheInterfaceUnlessReadOnly) {
  Page page;
  page.edit.InsertText(QStringLiteral("Dear diary"));
  QAccessibleInterface* a = page.Accessible();
  QAccessibleEditableTextInterface* e = a->editableTextInterface();
  ASSERT_NE(e, nullptr);
  e->insertText(5, QStringLiteral("old "));
  EXPECT_EQ(Text(page.edit.Document()), "Dear old diary");
  e->replaceText(0, 4, QStringLiteral("My"));
  e->deleteText(2, 6);
  EXPECT_EQ(Text(page.edit.Document()), "My diary");
  page.edit.SetReadOnly(true);
  EXPECT_EQ(a->editableTextInterface(), nullptr);
  EXPECT_TRUE(a->state().readOnly);
}

}  // namespace
}  // namespace richtext
