// SPDX-License-Identifier: GPL-3.0-or-later
// The window without a mouse and through a screen reader's eyes.
#include "main_fixture.h"

#include <controls/ring_panel.h>

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace quillet::testing {
namespace {

QWidget* Focus() { return QApplication::focusWidget(); }

bool FocusIn(const QWidget* area) {
  QWidget* f = Focus();
  return f && (f == area || area->isAncestorOf(f));
}

TEST(MainKeyboard, TabTypesButCtrlTabLeavesThePage) {
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  Type(*w, QStringLiteral("a"));
  QTest::keyClick(w->RichText1(), Qt::Key_Tab);
  QTest::keyClicks(w->RichText1(), QStringLiteral("b"));
  EXPECT_EQ(Text(*w), "a\tb");
  ASSERT_EQ(Focus(), w->RichText1());

  QTest::keyClick(w->RichText1(), Qt::Key_Tab, Qt::ControlModifier);
  QWidget* actionPanel = w->findChild<QWidget*>(QStringLiteral("ActionPanel"));
  EXPECT_TRUE(FocusIn(actionPanel)) << (Focus() ? Focus()->objectName().toStdString() : "none");
  EXPECT_EQ(Text(*w), "a\tb");

  w->RichText1()->setFocus();
  QTest::keyClick(w->RichText1(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(FocusIn(w->findChild<QWidget*>(QStringLiteral("ToolArea"))))
      << (Focus() ? Focus()->objectName().toStdString() : "none");
  EXPECT_EQ(Text(*w), "a\tb");
}

TEST(MainKeyboard, F6GoesRoundToolbarPageAndDayButtons) {
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  // The window opens with the focus in the page, whatever comes before it in the Tab order.
  ASSERT_EQ(Focus(), w->RichText1());
  QWidget* toolArea = w->findChild<QWidget*>(QStringLiteral("ToolArea"));
  QWidget* actionPanel = w->findChild<QWidget*>(QStringLiteral("ActionPanel"));
  struct Step {
    Qt::KeyboardModifiers mods;
    QWidget* area;
  } steps[] = {
      {Qt::NoModifier, actionPanel},     {Qt::NoModifier, toolArea},
      {Qt::NoModifier, w->RichText1()},  {Qt::ShiftModifier, toolArea},
      {Qt::ShiftModifier, actionPanel},  {Qt::ShiftModifier, w->RichText1()},
  };
  int n = 0;
  for (const Step& s : steps) {
    QTest::keyClick(Focus(), Qt::Key_F6, s.mods);
    EXPECT_TRUE(FocusIn(s.area)) << "step " << n << ": " << (Focus() ? Focus()->objectName().toStdString() : "none");
    ++n;
  }
  // The toolbar's focus lands on one of its controls, which the keyboard can work.
  QTest::keyClick(Focus(), Qt::Key_F6, Qt::ShiftModifier);
  ASSERT_TRUE(FocusIn(toolArea));
  EXPECT_TRUE(qobject_cast<QAbstractButton*>(Focus()) || qobject_cast<QComboBox*>(Focus()));
}

TEST(MainKeyboard, EveryControlHasANameAndThePageIsNamedByItsDay) {
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  QAccessibleInterface* page = QAccessible::queryAccessibleInterface(w->RichText1());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->text(QAccessible::Name), w->DateLabel()->text());
  EXPECT_FALSE(w->DateLabel()->text().isEmpty());
  w->NextButtonClick();
  EXPECT_EQ(page->text(QAccessible::Name), w->DateLabel()->text());
  ASSERT_NE(page->textInterface(), nullptr);

  for (QWidget* control : w->findChildren<QWidget*>()) {
    if (!control->isVisible()) continue;
    if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QComboBox*>(control) &&
        control != static_cast<QWidget*>(w->RingPanel1())) {
      continue;
    }
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << control->objectName().toStdString();
  }
}

// What the keyboard comes to is drawn so: each control painted with the focus
// differs from itself painted once the focus has gone elsewhere.
TEST(MainKeyboard, TheFocusTheKeyboardMovesIsDrawn) {
  struct Row {
    const char* what;
    std::function<QWidget*(TMainScreen&)> reach;  // moves the focus by keyboard; the control that shows it
  };
  const Row rows[] = {
      {"a day button reached with F6",
       [](TMainScreen&) {
         QTest::keyClick(Focus(), Qt::Key_F6);
         return Focus();
       }},
      {"a toolbar button reached with F6 and Tab",
       [](TMainScreen&) {
         QTest::keyClick(Focus(), Qt::Key_F6, Qt::ShiftModifier);
         for (int i = 0; i < 10 && !qobject_cast<QToolButton*>(Focus()); ++i) QTest::keyClick(Focus(), Qt::Key_Tab);
         return Focus();
       }},
      {"the page reached with F6",
       [](TMainScreen& w) -> QWidget* {
         for (int i = 0; i < 3; ++i) QTest::keyClick(Focus(), Qt::Key_F6);
         return w.RichText1()->hasFocus() ? w.RingPanel1() : nullptr;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Diary d;
    auto w = Open(d.dir.path());
    Settle();
    QWidget* shown = row.reach(*w);
    ASSERT_NE(shown, nullptr);
    Settle();
    // The page is looked at beside its text, where the caret does not come.
    const bool page = shown == w->RingPanel1();
    const QRect area = page ? QRect(0, 0, w->DateLabel()->x(), shown->height()) : shown->rect();
    const QImage with = shown->grab(area).toImage();
    // Away to a control that is neither the one drawn nor inside it.
    QWidget* away = page ? static_cast<QWidget*>(w->findChild<QPushButton*>(QStringLiteral("CalendarButton")))
                         : w->RichText1();
    away->setFocus(Qt::TabFocusReason);
    Settle();
    EXPECT_NE(shown->grab(area).toImage(), with);
  }
}

}  // namespace
}  // namespace quillet::testing
