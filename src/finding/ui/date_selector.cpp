// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/date_selector.h>

#include <diary/dates.h>
#include <controls/graphic_panel.h>
#include <richtext/ui/painted_icon.h>
#include <finding/ui/calendar_with_glyphs.h>

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace quillet {

namespace {

// Button glyphs: one or two arrowheads pointing back or forward, or a dot for today.
QIcon ArrowGlyph(int count, bool forward) {
  return PaintedIcon([count, forward](QPainter& p, const QRectF& box, QIcon::Mode) {
    const qreal h = box.height() * 0.8, w = h * 0.55;
    const qreal top = box.center().y() - h / 2;
    const qreal total = w * count;
    qreal x = box.center().x() - total / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(ButtonInk(QColor(0, 0, 128)));
    for (int i = 0; i < count; ++i, x += w) {
      QPainterPath arrow;
      if (forward) {
        arrow.moveTo(x, top);
        arrow.lineTo(x + w, top + h / 2);
        arrow.lineTo(x, top + h);
      } else {
        arrow.moveTo(x + w, top);
        arrow.lineTo(x, top + h / 2);
        arrow.lineTo(x + w, top + h);
      }
      arrow.closeSubpath();
      p.drawPath(arrow);
    }
  });
}

QIcon TodayGlyph() {
  return PaintedIcon([](QPainter& p, const QRectF& box, QIcon::Mode) {
    const qreal d = box.height() * 0.6;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 0, 0));
    p.drawEllipse(QRectF(box.center().x() - d / 2, box.center().y() - d / 2, d, d));
  });
}

}  // namespace

TDateSelector::TDateSelector(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      calendar_(new TCalendarWithGlyphs(this)),
      showDatePanel_(new TGraphicPanel(this)) {
  setWindowTitle(tr("Select Date"));
  setFixedSize(360, 303);
  QFont dialogFont(QStringLiteral("Arial"));
  dialogFont.setPixelSize(11);
  setFont(dialogFont);

  showDatePanel_->setObjectName(QStringLiteral("ShowDatePanel"));
  showDatePanel_->setGeometry(0, 0, 360, 25);
  showDatePanel_->SetBevelOuter(TBevel::None);
  QFont dateFont(QStringLiteral("Arial"));
  dateFont.setPixelSize(13);
  dateFont.setBold(true);
  showDatePanel_->setFont(dateFont);
  // Black on the light panel; a dark desktop's panel keeps its own light text.
  if (!IsDarkPalette(showDatePanel_->palette())) {
    QPalette black = showDatePanel_->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    showDatePanel_->setPalette(black);
  }

  calendar_->setObjectName(QStringLiteral("Calendar"));
  calendar_->setGeometry(21, 28, 316, 187);
  calendar_->DrawCalendarCellEvent = [this](QPainter& can, int col, int row, const QRect& rect,
                                            unsigned state, const QString& text) {
    CalendarDrawCalendarCellEvent(can, col, row, rect, state, text);
  };
  connect(calendar_, &TCalendarWithGlyphs::OnChange, this, &TDateSelector::CalendarChange);
  connect(calendar_, &TCalendarWithGlyphs::doubleClicked, this, &QDialog::accept);

  struct Nav {
    const char* name;
    QString caption, hint;
    QIcon glyph;
    bool glyphRight;
    void (TCalendarWithGlyphs::*action)();
  };
  const Nav navigation[] = {
      {"PrevYear", tr("Year-"), tr("Show the previous year"), ArrowGlyph(2, false), false,
       &TCalendarWithGlyphs::PrevYear},
      {"PrevMonth", tr("Month-"), tr("Show the previous month"), ArrowGlyph(1, false), false,
       &TCalendarWithGlyphs::PrevMonth},
      {"DoCurrentDate", tr("Today"), tr("Show today's date"), TodayGlyph(), true, nullptr},
      {"NextMonth", tr("Month +"), tr("Show the next month"), ArrowGlyph(1, true), true,
       &TCalendarWithGlyphs::NextMonth},
      {"NextYear", tr("Year+"), tr("Show the next year"), ArrowGlyph(2, true), true,
       &TCalendarWithGlyphs::NextYear},
  };
  int left = 20;
  for (const Nav& nav : navigation) {
    QPushButton* button = AddButton(nav.name, nav.caption, nav.hint, left, 225, 63, 23);
    button->setIcon(nav.glyph);
    button->setIconSize(QSize(10, 10));
    if (nav.glyphRight) button->setLayoutDirection(Qt::RightToLeft);
    if (nav.action) {
      connect(button, &QPushButton::clicked, calendar_, nav.action);
    } else {
      connect(button, &QPushButton::clicked, this,
              [this] { calendar_->SetSelectedDate(QDateTime::currentDateTime()); });
    }
    left += 64;
  }

  QPushButton* ok = AddButton("OKButton", tr("Ok"), {}, 20, 261, 79, 34);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  QPushButton* cancel = AddButton("CancelButton", tr("Cancel"), {}, 261, 261, 79, 34);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  calendar_->setFocus();
}

QPushButton* TDateSelector::AddButton(const char* name, const QString& caption,
                                      const QString& hint, int left, int top, int width,
                                      int height) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  button->setGeometry(left, top, width, height);
  button->setAutoDefault(false);
  return button;
}

QDateTime TDateSelector::SelectedDate() const { return calendar_->SelectedDate(); }

void TDateSelector::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  calendar_->SetSelectedDate(initialDate_);  // the change this signals is ignored
  firstActivation_ = false;
  CalendarChange();
}

void TDateSelector::CalendarChange() {
  if (firstActivation_) return;
  shownDate_ = calendar_->SelectedDate();
  const QDate day = shownDate_.date();
  showDatePanel_->SetCaption(QString::fromStdString(
      LongDate(MakeDate(day.year(), unsigned(day.month()), unsigned(day.day())))));
  if (calendar_->Month() != lastMonth_ || calendar_->Year() != lastYear_) {
    entryDays_.clear();
    if (OnNeedEntryDays) OnNeedEntryDays(entryDays_, calendar_->Year(), calendar_->Month());
  }
  lastMonth_ = calendar_->Month();
  lastYear_ = calendar_->Year();
}

// A day: its number flush in the top-right corner and, when the day has an
// entry, a red 8 x 8 square in the middle of the cell.
void TDateSelector::CalendarDrawCalendarCellEvent(QPainter& can, int, int, const QRect& rect,
                                                  unsigned, const QString& text) {
  if (text.size() > 2) return;
  can.fillRect(rect, can.brush());
  const int textWidth = can.fontMetrics().horizontalAdvance(text);
  can.drawText(QRect(rect.right() + 1 - textWidth, rect.top(), textWidth, can.fontMetrics().height()),
               Qt::AlignLeft | Qt::AlignTop, text);
  if (!entryDays_.contains(text)) return;
  const int x1 = rect.left() + (rect.width() - 6) / 2;
  const int y1 = rect.top() + (rect.height() - 8) / 2 - 2;
  can.fillRect(QRect(x1, y1, 8, 8), QColor(255, 0, 0));
}

}  // namespace quillet
