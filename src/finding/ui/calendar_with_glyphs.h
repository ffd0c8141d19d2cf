// SPDX-License-Identifier: GPL-3.0-or-later
/** TCalendarWithGlyphs: a month grid whose day cells can be drawn by its owner. */
#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>

namespace quillet {

// The grid's state of a cell while it is drawn.
enum TGridDrawState : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };

// Seven columns, the locale's first day of the week first (Sunday in the US
// and the C locale, Monday in Germany), and seven rows: row 0 holds the short weekday
// names, rows 1 to 6 the days of the month, the first under its weekday.
// Other cells are empty. A click on a day selects it; a double-click also
// reports doubleClicked. The arrow keys, Home and End move within the month.
class TCalendarWithGlyphs : public QWidget {
  Q_OBJECT
 public:
  explicit TCalendarWithGlyphs(QWidget* parent = nullptr);

  // The shown and selected day, with a time of day when one was set with it.
  // Setting it repaints and signals OnChange.
  QDateTime SelectedDate() const { return selected_; }
  void SetSelectedDate(const QDateTime& date);

  // Setting one keeps the other two, drops the time of day and signals
  // OnChange. A value below 1, a month above 12 or a day beyond the month's
  // length is ignored.
  int Day() const { return selected_.date().day(); }
  int Month() const { return selected_.date().month(); }
  int Year() const { return selected_.date().year(); }
  void SetDay(int day);
  void SetMonth(int month);
  void SetYear(int year);

  // Keep the day of the month, clamped to the new month's length.
  void PrevMonth();
  void NextMonth();
  // 29 February first becomes 28, then the year changes by one.
  void PrevYear();
  void NextYear();

  // Asked to draw a cell whose text starts with a digit (a day); the grid
  // draws nothing else there. The painter's brush is the cell's background
  // (the selection highlight on the selected day) and its pen the text colour.
  using TDrawCalendarCellEvent = std::function<void(QPainter& can, int ACol, int ARow,
                                                    const QRect& ARect, unsigned AState,
                                                    const QString& Celltext)>;
  TDrawCalendarCellEvent DrawCalendarCellEvent;

  // The text of a cell: the weekday name in row 0, the day number or empty.
  QString CellText(int col, int row) const;
  QRect CellRect(int col, int row) const;
  // The cell that shows a day of the current month.
  QPoint CellOfDay(int day) const;
  // The day of the first column: the locale's first day of the week.
  static Qt::DayOfWeek FirstDayOfWeek();

 signals:
  void OnChange();
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Screen readers see a table of named cells (calendar_accessible.cpp).
  static void InstallAccessibility();
  void TellSelectionMoved();
  int FirstColumn() const;  // the column of the first of the month
  void SelectAt(const QPoint& point);
  void SetDate(const QDate& date);  // drops the time of day

  QDateTime selected_;
};

}  // namespace quillet
