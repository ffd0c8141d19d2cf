// SPDX-License-Identifier: GPL-3.0-or-later
// The "Select Date" dialog driven with the mouse and keys, offscreen.
#include <controls/graphic_panel.h>
#include <finding/ui/calendar_with_glyphs.h>
#include <finding/ui/date_selector.h>

#include <QAccessible>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillet;

namespace {

struct ProviderCall {
  int year, month;
  bool operator==(const ProviderCall&) const = default;
};

// A dialog whose provider records its calls and answers with `marked`.
struct Selector {
  explicit Selector(QDate initial) {
    dialog.SetInitialDate(initial);
    dialog.OnNeedEntryDays = [this](QStringList& days, int year, int month) {
      calls.push_back({year, month});
      days = marked;
    };
  }
  QPushButton* Button(const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
  }
  void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
  QPoint CentreOfDay(int day) {
    TCalendarWithGlyphs* calendar = dialog.Calendar();
    QPoint cell = calendar->CellOfDay(day);
    return calendar->CellRect(cell.x(), cell.y()).center();
  }
  void ClickDay(int day) {
    QTest::mouseClick(dialog.Calendar(), Qt::LeftButton, {}, CentreOfDay(day));
  }
  QDate Shown() { return dialog.SelectedDate().date(); }

  TDateSelector dialog;
  QStringList marked;
  std::vector<ProviderCall> calls;
};

// Runs the dialog modally; `act` runs inside the modal loop.
int RunModal(TDateSelector& dialog, std::function<void()> act) {
  QTimer::singleShot(0, &dialog, std::move(act));
  return dialog.exec();
}

}  // namespace

TEST(DateSelector, ProviderOnceWhenOpenedThenOnlyOnMonthOrYearChange) {
  Selector s(QDate(2026, 3, 10));
  EXPECT_TRUE(s.calls.empty());  // nothing before the dialog appears
  s.dialog.show();
  EXPECT_EQ(s.calls, (std::vector<ProviderCall>{{2026, 3}}));
  EXPECT_EQ(s.dialog.ShowDatePanel()->Caption(), QStringLiteral("Tuesday, March 10, 2026"));
  s.dialog.hide();
  s.dialog.show();  // a later activation does nothing
  EXPECT_EQ(s.calls.size(), 1u);

  s.ClickDay(24);
  EXPECT_EQ(s.Shown(), QDate(2026, 3, 24));
  EXPECT_EQ(s.dialog.ShowDatePanel()->Caption(), QStringLiteral("Tuesday, March 24, 2026"));
  QTest::keyClick(s.dialog.Calendar(), Qt::Key_Down);
  EXPECT_EQ(s.Shown(), QDate(2026, 3, 31));
  EXPECT_EQ(s.calls.size(), 1u);  // moving within the month never asks

  s.Click("PrevMonth");
  s.Click("NextMonth");  // back to a month seen before: asked again
  s.Click("NextYear");
  s.Click("PrevYear");
  EXPECT_EQ(s.calls, (std::vector<ProviderCall>{{2026, 3}, {2026, 2}, {2026, 3}, {2027, 3}, {2026, 3}}));
}

TEST(DateSelector, NavigationKeepsTheDayWithinTheNewMonth) {
  struct Case {
    QDate from;
    const char* button;
    QDate to;
  };
  const Case cases[] = {
      {{2023, 1, 31}, "NextMonth", {2023, 2, 28}},
      {{2024, 1, 31}, "NextMonth", {2024, 2, 29}},
      {{2024, 3, 31}, "PrevMonth", {2024, 2, 29}},
      {{2024, 12, 15}, "NextMonth", {2025, 1, 15}},
      {{2025, 1, 31}, "PrevMonth", {2024, 12, 31}},
      {{2000, 2, 29}, "NextYear", {2001, 2, 28}},
      {{2000, 2, 29}, "PrevYear", {1999, 2, 28}},
      {{1900, 2, 28}, "NextYear", {1901, 2, 28}},
      {{2100, 3, 1}, "PrevYear", {2099, 3, 1}},
      {{9999, 12, 31}, "NextMonth", {9999, 12, 31}},  // the last day a day key names
      {{1, 1, 1}, "PrevYear", {1, 1, 1}},
  };
  for (const Case& c : cases) {
    Selector s(c.from);
    s.dialog.show();
    s.Click(c.button);
    EXPECT_EQ(s.Shown(), c.to) << c.from.toString(Qt::ISODate).toStdString() << " " << c.button;
  }
}

TEST(DateSelector, GridStartsOnSundayWithTheFirstUnderItsWeekday) {
  Selector s(QDate(2024, 3, 5));  // 1 March 2024 is a Friday
  s.dialog.show();
  TCalendarWithGlyphs* calendar = s.dialog.Calendar();
  EXPECT_EQ(calendar->CellText(0, 0), QStringLiteral("Sun"));
  EXPECT_EQ(calendar->CellText(6, 0), QStringLiteral("Sat"));
  EXPECT_EQ(calendar->CellText(4, 1), QString());
  EXPECT_EQ(calendar->CellText(5, 1), QStringLiteral("1"));
  EXPECT_EQ(calendar->CellText(0, 6), QStringLiteral("31"));  // Sunday 31 March in row 6
  EXPECT_EQ(calendar->CellText(1, 6), QString());

  // The header and the blank cells cannot be selected.
  QTest::mouseClick(calendar, Qt::LeftButton, {}, calendar->CellRect(2, 0).center());
  QTest::mouseClick(calendar, Qt::LeftButton, {}, calendar->CellRect(1, 1).center());
  EXPECT_EQ(s.Shown(), QDate(2024, 3, 5));
}

// The week starts on the day the program's locale starts it on.
TEST(DateSelector, TheWeekStartsOnTheLocalesFirstDay) {
  struct Case {
    QLocale locale;
    int weekdayFirst;  // Qt's number of the first column's day
    int columnOfFirst;  // of Friday 1 March 2024
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), Qt::Sunday, 5},
      {QLocale(QLocale::German, QLocale::Germany), Qt::Monday, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    QLocale::setDefault(c.locale);
    Selector s(QDate(2024, 3, 5));
    s.dialog.show();
    TCalendarWithGlyphs* calendar = s.dialog.Calendar();
    EXPECT_EQ(calendar->CellText(0, 0), c.locale.dayName(c.weekdayFirst, QLocale::ShortFormat));
    EXPECT_EQ(calendar->CellText(c.columnOfFirst, 1), QStringLiteral("1"));
    EXPECT_EQ(calendar->CellText(c.columnOfFirst - 1, 1), QString());
    // A click on a day's cell still chooses that day.
    s.ClickDay(21);
    EXPECT_EQ(s.Shown(), QDate(2024, 3, 21));
  }
  QLocale::setDefault(QLocale::c());
}

TEST(DateSelector, ScreenReadersSeeATableOfNamedDays) {
  Selector s(QDate(2024, 3, 5));
  s.dialog.show();
  s.dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&s.dialog));
  TCalendarWithGlyphs* calendar = s.dialog.Calendar();
  calendar->setFocus();
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(calendar);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->role(), QAccessible::Table);
  ASSERT_EQ(grid->childCount(), 49);
  struct Case {
    int col, row;
    QAccessible::Role role;
    const char* name;
  } cases[] = {
      {0, 0, QAccessible::ColumnHeader, "Sun"},
      {5, 1, QAccessible::Cell, "Friday, March 1, 2024"},
      {0, 6, QAccessible::Cell, "Sunday, March 31, 2024"},
      {4, 1, QAccessible::Cell, ""},
  };
  for (const Case& c : cases) {
    QAccessibleInterface* cell = grid->child(c.row * 7 + c.col);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), c.role) << c.name;
    EXPECT_EQ(cell->text(QAccessible::Name), QString::fromUtf8(c.name));
    EXPECT_EQ(grid->indexOfChild(cell), c.row * 7 + c.col);
  }
  // The selected day is the focused cell, found at its place on the screen too.
  QAccessibleInterface* focused = grid->focusChild();
  ASSERT_NE(focused, nullptr);
  EXPECT_EQ(focused->text(QAccessible::Name), QStringLiteral("Tuesday, March 5, 2024"));
  EXPECT_TRUE(focused->state().selected);
  EXPECT_EQ(grid->childAt(focused->rect().center().x(), focused->rect().center().y()), focused);
  QTest::keyClick(calendar, Qt::Key_Right);
  EXPECT_EQ(grid->focusChild()->text(QAccessible::Name), QStringLiteral("Wednesday, March 6, 2024"));
  EXPECT_EQ(grid->text(QAccessible::Value), QStringLiteral("Wednesday, March 6, 2024"));
}

TEST(DateSelector, OkCancelDoubleClickAndKeys) {
  {
    Selector s(QDate(2026, 5, 5));
    int result = RunModal(s.dialog, [&] {
      s.ClickDay(20);
      s.Click("OKButton");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(s.Shown(), QDate(2026, 5, 20));
    EXPECT_EQ(s.dialog.SelectedDate().time(), QTime(0, 0));
  }
  {
    Selector s(QDate(2026, 5, 5));
    EXPECT_EQ(RunModal(s.dialog, [&] { s.Click("CancelButton"); }), QDialog::Rejected);
  }
  {
    Selector s(QDate(2026, 5, 5));
    int result = RunModal(s.dialog, [&] {
      QTest::mouseDClick(s.dialog.Calendar(), Qt::LeftButton, {}, s.CentreOfDay(12));
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(s.Shown(), QDate(2026, 5, 12));
  }
  {
    // A double-click on the header accepts the day already selected.
    Selector s(QDate(2026, 5, 5));
    int result = RunModal(s.dialog, [&] {
      QTest::mouseDClick(s.dialog.Calendar(), Qt::LeftButton, {},
                         s.dialog.Calendar()->CellRect(3, 0).center());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(s.Shown(), QDate(2026, 5, 5));
  }
  {
    Selector s(QDate(2026, 5, 5));
    int result = RunModal(s.dialog, [&] {
      QTest::keyClick(s.dialog.Calendar(), Qt::Key_Right);
      QTest::keyClick(s.dialog.Calendar(), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);  // Ok is the default button
    EXPECT_EQ(s.Shown(), QDate(2026, 5, 6));
  }
  {
    Selector s(QDate(2026, 5, 5));
    EXPECT_EQ(RunModal(s.dialog, [&] { QTest::keyClick(s.dialog.Calendar(), Qt::Key_Escape); }),
              QDialog::Rejected);
  }
}

TEST(DateSelector, TodayCarriesTheTimeOfDay) {
  Selector s(QDate(1999, 7, 1));
  const QDateTime before = QDateTime::currentDateTime();
  int result = RunModal(s.dialog, [&] {
    s.Click("DoCurrentDate");
    s.Click("OKButton");
  });
  const QDateTime after = QDateTime::currentDateTime();
  EXPECT_EQ(result, QDialog::Accepted);
  const QDateTime chosen = s.dialog.SelectedDate();
  EXPECT_GE(chosen, before.addMSecs(-before.time().msec()));
  EXPECT_LE(chosen, after);
  EXPECT_EQ(s.calls.size(), 2u);  // July 1999, then this month
}

TEST(DateSelector, ButtonsCaptionsHintsAndLayout) {
  Selector s(QDate(2026, 1, 1));
  EXPECT_EQ(s.dialog.windowTitle(), QStringLiteral("Select Date"));
  EXPECT_EQ(s.dialog.size(), QSize(360, 303));
  struct Expect {
    const char* name;
    const char* caption;
    const char* hint;
    QRect geometry;
  };
  const Expect buttons[] = {
      {"PrevYear", "Year-", "Show the previous year", {20, 225, 63, 23}},
      {"PrevMonth", "Month-", "Show the previous month", {84, 225, 63, 23}},
      {"DoCurrentDate", "Today", "Show today's date", {148, 225, 63, 23}},
      {"NextMonth", "Month +", "Show the next month", {212, 225, 63, 23}},
      {"NextYear", "Year+", "Show the next year", {276, 225, 63, 23}},
      {"OKButton", "Ok", "", {20, 261, 79, 34}},
      {"CancelButton", "Cancel", "", {261, 261, 79, 34}},
  };
  for (const Expect& b : buttons) {
    QPushButton* button = s.Button(b.name);
    ASSERT_NE(button, nullptr) << b.name;
    EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
    EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint));
    EXPECT_EQ(button->geometry(), b.geometry) << b.name;
  }
  EXPECT_TRUE(s.Button("OKButton")->isDefault());
  EXPECT_EQ(s.dialog.Calendar()->geometry(), QRect(21, 28, 316, 187));
}

TEST(DateSelector, EntryMarksAreRedSquaresOnMarkedDaysOnly) {
  Selector s(QDate(2024, 3, 15));
  s.marked = {QStringLiteral("1"), QStringLiteral("15"), QStringLiteral("31")};
  s.dialog.show();
  TCalendarWithGlyphs* calendar = s.dialog.Calendar();
  const QImage image = calendar->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRgb red = qRgb(255, 0, 0);

  auto markCentre = [&](int col, int row) {
    QRect cell = calendar->CellRect(col, row);
    int x1 = cell.left() + (cell.width() - 6) / 2, y1 = cell.top() + (cell.height() - 8) / 2 - 2;
    return QPoint(x1 + 4, y1 + 4);
  };
  auto redIn = [&](QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) count += image.pixel(x, y) == red;
    return count;
  };
  for (int day = 1; day <= 31; ++day) {
    QPoint cell = calendar->CellOfDay(day);
    QRect rect = calendar->CellRect(cell.x(), cell.y());
    bool marked = s.marked.contains(QString::number(day));
    // An 8 x 8 square, also on the selected (highlighted) day.
    EXPECT_EQ(redIn(rect), marked ? 64 : 0) << "day " << day;
    if (marked) {
      EXPECT_EQ(image.pixel(markCentre(cell.x(), cell.y())), red);
    }
  }
  // Header and blank cells carry no mark.
  for (int col = 0; col < 7; ++col) EXPECT_EQ(redIn(calendar->CellRect(col, 0)), 0);
  EXPECT_EQ(redIn(calendar->CellRect(0, 1)), 0);
  EXPECT_EQ(redIn(calendar->CellRect(1, 6)), 0);

  // Another month is asked afresh and marked from the new answer.
  s.marked = {QStringLiteral("2")};
  s.Click("NextMonth");
  const QImage april = calendar->grab().toImage().convertToFormat(QImage::Format_RGB32);
  int reds = 0;
  for (int y = 0; y < april.height(); ++y)
    for (int x = 0; x < april.width(); ++x) reds += april.pixel(x, y) == red;
  EXPECT_EQ(reds, 64);
  QPoint two = calendar->CellOfDay(2);
  EXPECT_EQ(april.pixel(markCentre(two.x(), two.y())), red);
}

TEST(DateSelector, DayNumberSitsInTheTopRightCorner) {
  Selector s(QDate(2024, 3, 1));
  s.dialog.show();
  TCalendarWithGlyphs* calendar = s.dialog.Calendar();
  const QImage image = calendar->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QPoint cell = calendar->CellOfDay(20);  // not the selected day: ink is the text colour
  QRect rect = calendar->CellRect(cell.x(), cell.y());
  const QRgb base = calendar->palette().color(QPalette::Base).rgb();
  QRect ink;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixel(x, y) != base) ink |= QRect(x, y, 1, 1);
  ASSERT_FALSE(ink.isNull());
  EXPECT_GE(ink.right(), rect.right() - 2);
  EXPECT_LE(ink.top(), rect.top() + 5);
  EXPECT_LT(ink.bottom(), rect.center().y() + 3);
  EXPECT_GT(ink.left(), rect.center().x());
}
