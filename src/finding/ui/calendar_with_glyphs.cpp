// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/calendar_with_glyphs.h>

#include <diary/dates.h>

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

namespace quillet {

namespace {
constexpr int kCols = 7;
constexpr int kRows = 7;
constexpr int kLastYear = 9999;  // the last year a day key can name

QDate Clamped(int year, int month, int day) {
  return QDate(year, month, std::min(day, QDate(year, month, 1).daysInMonth()));
}
}  // namespace

TCalendarWithGlyphs::TCalendarWithGlyphs(QWidget* parent)
    : QWidget(parent), selected_(QDate::currentDate().startOfDay()) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  InstallAccessibility();
}

void TCalendarWithGlyphs::SetSelectedDate(const QDateTime& date) {
  if (!date.isValid() || date.date().year() < 1 || date.date().year() > kLastYear) return;
  selected_ = date;
  update();
  TellSelectionMoved();
  emit OnChange();
}

void TCalendarWithGlyphs::SetDate(const QDate& date) { SetSelectedDate(date.startOfDay()); }

void TCalendarWithGlyphs::SetDay(int day) {
  if (day < 1 || day > selected_.date().daysInMonth()) return;
  SetDate(QDate(Year(), Month(), day));
}

void TCalendarWithGlyphs::SetMonth(int month) {
  if (month < 1 || month > 12 || Day() > QDate(Year(), month, 1).daysInMonth()) return;
  SetDate(QDate(Year(), month, Day()));
}

void TCalendarWithGlyphs::SetYear(int year) {
  if (year < 1 || year > kLastYear || Day() > QDate(year, Month(), 1).daysInMonth()) return;
  SetDate(QDate(year, Month(), Day()));
}

void TCalendarWithGlyphs::PrevMonth() {
  if (Month() == 1) {
    if (Year() > 1) SetDate(Clamped(Year() - 1, 12, Day()));
  } else {
    SetDate(Clamped(Year(), Month() - 1, Day()));
  }
}

void TCalendarWithGlyphs::NextMonth() {
  if (Month() == 12) {
    if (Year() < kLastYear) SetDate(Clamped(Year() + 1, 1, Day()));
  } else {
    SetDate(Clamped(Year(), Month() + 1, Day()));
  }
}

void TCalendarWithGlyphs::PrevYear() {
  if (Year() > 1) SetDate(Clamped(Year() - 1, Month(), Day()));
}

void TCalendarWithGlyphs::NextYear() {
  if (Year() < kLastYear) SetDate(Clamped(Year() + 1, Month(), Day()));
}

Qt::DayOfWeek TCalendarWithGlyphs::FirstDayOfWeek() { return DateLocale().firstDayOfWeek(); }

int TCalendarWithGlyphs::FirstColumn() const {
  // Qt counts Monday 1 .. Sunday 7; the grid starts on the locale's first day.
  return (QDate(Year(), Month(), 1).dayOfWeek() - FirstDayOfWeek() + 7) % 7;
}

QString TCalendarWithGlyphs::CellText(int col, int row) const {
  if (col < 0 || col >= kCols || row < 0 || row >= kRows) return {};
  if (row == 0) return DateLocale().dayName((FirstDayOfWeek() - 1 + col) % 7 + 1, QLocale::ShortFormat);
  const int day = (row - 1) * kCols + col - FirstColumn() + 1;
  if (day < 1 || day > selected_.date().daysInMonth()) return {};
  return QString::number(day);
}

QRect TCalendarWithGlyphs::CellRect(int col, int row) const {
  // Cells share the width and height evenly; the last pixel of each is the grid line.
  const int x0 = col * width() / kCols, x1 = (col + 1) * width() / kCols;
  const int y0 = row * height() / kRows, y1 = (row + 1) * height() / kRows;
  return QRect(x0, y0, x1 - x0 - 1, y1 - y0 - 1);
}

QPoint TCalendarWithGlyphs::CellOfDay(int day) const {
  const int index = FirstColumn() + day - 1;
  return QPoint(index % kCols, index / kCols + 1);
}

void TCalendarWithGlyphs::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Mid));  // the grid lines show between the cells
  const QPoint selectedCell = CellOfDay(Day());
  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kCols; ++col) {
      const QRect cell = CellRect(col, row);
      const QString text = CellText(col, row);
      unsigned state = 0;
      if (row == 0) state |= gdFixed;
      if (QPoint(col, row) == selectedCell) {
        state |= gdSelected;
        if (hasFocus()) state |= gdFocused;
      }
      QColor back = pal.color(QPalette::Base), fore = pal.color(QPalette::Text);
      if (state & gdFixed) {
        back = pal.color(QPalette::Button);
        fore = pal.color(QPalette::ButtonText);
      } else if (state & gdSelected) {
        back = pal.color(QPalette::Highlight);
        fore = pal.color(QPalette::HighlightedText);
      }
      p.save();
      p.setClipRect(cell);
      p.setBrush(back);
      p.setPen(fore);
      if (DrawCalendarCellEvent && !text.isEmpty() && text[0].isDigit() && text[0].unicode() < 128) {
        DrawCalendarCellEvent(p, col, row, cell, state, text);
      } else {
        p.fillRect(cell, back);
        p.drawText(cell, Qt::AlignCenter, text);
      }
      if (state & gdFocused) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(fore, 1, Qt::DotLine));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
      }
      p.restore();
    }
  }
}

void TCalendarWithGlyphs::SelectAt(const QPoint& point) {
  for (int row = 1; row < kRows; ++row) {
    for (int col = 0; col < kCols; ++col) {
      if (!CellRect(col, row).adjusted(0, 0, 1, 1).contains(point)) continue;
      const QString text = CellText(col, row);
      if (!text.isEmpty()) SetDay(text.toInt());
      return;
    }
  }
}

void TCalendarWithGlyphs::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SelectAt(event->position().toPoint());
  QWidget::mousePressEvent(event);
}

void TCalendarWithGlyphs::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  SelectAt(event->position().toPoint());
  emit doubleClicked();
}

void TCalendarWithGlyphs::keyPressEvent(QKeyEvent* event) {
  int day = Day();
  switch (event->key()) {
    case Qt::Key_Left: day -= 1; break;
    case Qt::Key_Right: day += 1; break;
    case Qt::Key_Up: day -= kCols; break;
    case Qt::Key_Down: day += kCols; break;
    case Qt::Key_Home: day = 1; break;
    case Qt::Key_End: day = selected_.date().daysInMonth(); break;
    default: return QWidget::keyPressEvent(event);
  }
  // Like a click, the keys stay within the shown month.
  if (day >= 1 && day <= selected_.date().daysInMonth() && day != Day()) SetDay(day);
}

}  // namespace quillet
